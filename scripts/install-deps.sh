#!/usr/bin/env bash
# Installs the Debian packages that building, running, testing or packaging Quillon
# needs, only those that are missing. Usage: install-deps.sh run|test|package
set -euo pipefail

# liblzma, libFLAC and libzstd (with libdeflate): the codecs of CHD disc images.
common=(build-essential cmake ninja-build pkg-config libgtest-dev qt6-base-dev libdeflate-dev libssl-dev
        liblzma-dev libflac-dev libzstd-dev)
case "${1:-test}" in
  run)  wanted=("${common[@]}" fonts-wqy-microhei) ;;
  # pcsxr, genisoimage and python3 for the real-emulator check of the containers;
  # mame-tools for chdman, which makes the CHDs of the tests.
  test) wanted=("${common[@]}" clang libclang-rt-14-dev xvfb xauth fonts-wqy-microhei pcsxr genisoimage python3
                mame-tools) ;;
  # dpkg-shlibdeps and file for the package's dependencies; the validators of the
  # desktop entry, the AppStream metadata and the file types for scripts/check-package.sh.
  package) wanted=("${common[@]}" dpkg-dev file desktop-file-utils appstream shared-mime-info) ;;
  *) echo "usage: $0 run|test|package" >&2; exit 2 ;;
esac

missing=()
for package in "${wanted[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$package")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=()
[ "$(id -u)" -ne 0 ] && sudo=(sudo)
"${sudo[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
