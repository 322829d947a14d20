#!/usr/bin/env bash
# Screenshots of the three windows as a person sees them: starts build/quillon under Xvfb
# with a generated disc image as its argument, opens the preview and the options window
# by clicking their buttons, and saves main.png, preview.png, preview-warning.png,
# options.png and screen.png.
# Usage: scripts/screenshots.sh [OUTPUT_FOLDER]   (default: build/screenshots)
# Needs a built program (cmake --build build) and xvfb xauth x11-utils xdotool imagemagick.
set -euo pipefail
cd "$(dirname "$0")/.."

if [ -z "${QUILLON_IN_XVFB:-}" ]; then
  out=$(realpath -m "${1:-build/screenshots}")
  mkdir -p "$out"
  QUILLON_IN_XVFB=1 exec xvfb-run -a -s '-screen 0 1024x768x24' "$0" "$out"
fi

out=$1
work=$(mktemp -d)
program=
cleanup() {
  [ -n "$program" ] && kill "$program" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

build/tools/make_program_files/make_program_files "$work" sample.iso
build/quillon "$work/sample.iso" &
program=$!

window() { xdotool search --sync --onlyvisible --name "$1" | head -n 1; }
# Clicks at a point of a window's client area.
click() { xdotool mousemove --window "$1" "$2" "$3" click 1; }
settle() { sleep 1; }

main=$(window '^Quillon')
settle
import -window "$main" "$out/main.png"

click "$main" 497 237  # the preview button
preview=$(window '^Preview$')
xdotool windowmove "$preview" 0 0
settle
import -window "$preview" "$out/preview.png"
click "$preview" 170 288  # "Warning screen"
settle
import -window "$preview" "$out/preview-warning.png"
click "$preview" 54 288  # back to "PSP menu theme"

click "$main" 41 237  # the options button
options=$(window '^Options$')
xdotool windowmove "$options" 480 420
settle
import -window "$options" "$out/options.png"
import -window root "$out/screen.png"
echo "Screenshots in $out"
