#!/usr/bin/env bash
# Checks the Debian package made by scripts/package.sh without installing it on the
# system: installs its build into an empty folder with DESTDIR and compares that tree
# with the package's file list; validates the desktop entry, the AppStream metadata, the
# file types and the icons; then runs the installed programs: both answer --version
# with the package's version, the window program starts, and quillon-cli inspects,
# converts and extracts a generated disc image in the installed layout.
# Usage: scripts/check-package.sh [BUILD_FOLDER]   (default: build-package)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-package}
packages=("$build"/quillon_*.deb)
[ ${#packages[@]} -eq 1 ] && [ -f "${packages[0]}" ] || { echo "no single package in $build" >&2; exit 1; }
package=${packages[0]}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "check-package: $*" >&2; exit 1; }
step() { echo "check-package: $*"; }

root=$work/root
DESTDIR=$root cmake --install "$build" >/dev/null
prefix=$root$(sed -n 's/^CMAKE_INSTALL_PREFIX:PATH=//p' "$build/CMakeCache.txt")
step "installed into $root:"
(cd "$root" && find . ! -type d | sort) | tee "$work/installed.txt"

diff "$work/installed.txt" <(dpkg-deb -c "$package" | awk '$1 !~ /^d/ { print $6 }' | sort) ||
  fail "$package does not carry the installed files"
step "$package carries the installed files; its control fields:"
dpkg-deb -f "$package" Package Version Architecture Depends

desktop-file-validate "$prefix"/share/applications/*.desktop
appstreamcli validate --no-net "$prefix"/share/metainfo/*.metainfo.xml

# Every type in the desktop entry is known to shared-mime-info with our own types added.
mime=$work/mime
mkdir -p "$mime/packages"
cp /usr/share/mime/packages/freedesktop.org.xml "$prefix"/share/mime/packages/*.xml "$mime/packages/"
update-mime-database "$mime" 2>/dev/null
for type in $(sed -n 's/^MimeType=//p' "$prefix"/share/applications/*.desktop | tr ';' ' '); do
  grep -qx "$type" "$mime/types" || fail "the desktop entry names the unknown file type $type"
done
step "desktop entry, metadata and file types valid"

for icon in "$prefix"/share/icons/hicolor/*/apps/*.png; do
  size=$(basename "$(dirname "$(dirname "$icon")")")
  file "$icon" | grep -q "PNG image data, ${size/x/ x }," || fail "$icon is not a $size PNG"
done
step "icons have their sizes"

version=$(dpkg-deb -f "$package" Version)
for program in quillon quillon-cli; do
  answer=$("$prefix/bin/$program" --version)
  [ "$answer" = "Quillon $version" ] || fail "$program --version says '$answer', not 'Quillon $version'"
done
step "both programs answer --version with Quillon $version"

# The window program is still running after a few seconds (it has no display here).
status=0
QT_QPA_PLATFORM=offscreen timeout 3 "$prefix/bin/quillon" </dev/null >/dev/null 2>&1 || status=$?
[ $status -eq 124 ] || fail "quillon ended with status $status instead of running"
step "the window program starts"

# The installed layout: the shipped files beside the programs, the user's own in folders
# of a fresh home, made on first use.
export HOME=$work/home XDG_DATA_HOME= XDG_CONFIG_HOME=
mkdir -p "$HOME"
cli=$prefix/bin/quillon-cli
image=$work/disc.iso
printf 'BOOT = cdrom:\\SLUS_990.04;1\r\n' >"$image"
truncate -s $((2352 * 446)) "$image"  # whole sectors, as a disc image is
"$cli" inspect "$image" </dev/null >"$work/inspect.txt"
cat "$work/inspect.txt"
grep -qx 'disc-id: SLUS99004' "$work/inspect.txt" || fail "inspect found no disc ID SLUS99004"
grep -qx 'title: Harbor Run \[Disc 1\]' "$work/inspect.txt" || fail "inspect did not use the installed game list"
grep -qx "warning: $HOME/.local/share/quillon/warning.png" "$work/inspect.txt" ||
  fail "inspect did not take the warning picture from the installed sample container"
step "the installed quillon-cli inspects a disc image"

"$cli" convert "$image" --output "$work/out" --compression 9 </dev/null
"$cli" extract "$work/out/EBOOT.PBP" "$work/back.iso" </dev/null
cmp "$image" "$work/back.iso" || fail "the extracted image is not the converted one"
step "the installed quillon-cli converts a disc image and extracts it again"
