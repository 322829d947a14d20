#!/usr/bin/env bash
# Installs the Debian packages that building, running, testing or packaging Quillon
# needs, only those that are missing. Usage: install-deps.sh run|test|package|windows
set -euo pipefail

# liblzma, libFLAC and libzstd (with libdeflate): the codecs of CHD disc images.
common=(build-essential cmake ninja-build pkg-config libgtest-dev qt6-base-dev libdeflate-dev libssl-dev
        liblzma-dev libflac-dev libzstd-dev)
# The Windows build (scripts/build-windows.sh): the MinGW-w64 cross compiler of the posix
# thread model, which the Qt for Windows in ../shared/toolchains was built with; dpkg-dev
# and xz-utils to unpack Debian's source packages of the libraries it builds for Windows;
# zip for the program's archive. Its checks: Wine, and xdotool, x11-utils and imagemagick
# to drive and picture the real window under Xvfb.
windows=(g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix dpkg-dev xz-utils zip unzip wine wine64
         xvfb xauth x11-utils xdotool imagemagick fonts-wqy-microhei)
case "${1:-test}" in
  run)  wanted=("${common[@]}" fonts-wqy-microhei) ;;
  # pcsxr, genisoimage and python3 for the real-emulator check of the containers;
  # mame-tools for chdman, which makes the CHDs of the tests; the Windows build and its
  # checks under Wine.
  test) wanted=("${common[@]}" clang libclang-rt-14-dev xvfb xauth fonts-wqy-microhei pcsxr genisoimage python3
                mame-tools "${windows[@]}") ;;
  windows) wanted=("${common[@]}" "${windows[@]}") ;;
  # dpkg-shlibdeps and file for the package's dependencies; the validators of the
  # desktop entry, the AppStream metadata and the file types for scripts/check-package.sh.
  package) wanted=("${common[@]}" dpkg-dev file desktop-file-utils appstream shared-mime-info) ;;
  *) echo "usage: $0 run|test|package|windows" >&2; exit 2 ;;
esac

# The Windows build's `apt-get source` needs deb-src lines beside the deb ones.
source_list=/etc/apt/sources.list.d/quillon-sources.sources

missing=()
for package in "${wanted[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$package")
  fi
done
needs_sources=false
if [[ " ${wanted[*]} " == *" ${windows[0]} "* ]] && ! grep -rqs '^deb-src\|^Types:.*deb-src' /etc/apt/sources.list /etc/apt/sources.list.d/; then
  needs_sources=true
fi
[ ${#missing[@]} -eq 0 ] && [ $needs_sources = false ] && exit 0

sudo=()
[ "$(id -u)" -ne 0 ] && sudo=(sudo)
if [ $needs_sources = true ]; then
  # The same archives and suites as the binary packages come from.
  echo "Adding deb-src lines: $source_list"
  if [ -f /etc/apt/sources.list.d/debian.sources ]; then
    sed 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources | "${sudo[@]}" tee "$source_list" >/dev/null
  else
    sed -n 's/^deb \(.*\)$/deb-src \1/p' /etc/apt/sources.list | "${sudo[@]}" tee "${source_list%.sources}.list" >/dev/null
  fi
fi
"${sudo[@]}" apt-get update -qq
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
# The toolchain file of the Qt for Windows calls the -posix compilers by name; plain
# x86_64-w64-mingw32-g++ (the libraries' builds) is made to mean them too.
for compiler in gcc g++; do
  if [ -x /usr/bin/x86_64-w64-mingw32-$compiler-posix ]; then
    "${sudo[@]}" update-alternatives --set x86_64-w64-mingw32-$compiler /usr/bin/x86_64-w64-mingw32-$compiler-posix >/dev/null
  fi
done
