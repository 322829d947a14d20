#!/usr/bin/env bash
# The Windows quillon.exe under Wine and Xvfb, driven as a person would (xdotool): the
# program folder of the zip, started with a generated disc image as its source, shows
# the main window at its size with its title and captions; the convert button makes
# the container in the output folder of its settings; the options window's Save writes
# Files/options.ini. A screenshot of the main window goes to SCREENSHOT.
#
# Usage: check_window.sh LINUX_BUILD WINDOWS_BUILD [SCREENSHOT]
#   (default SCREENSHOT: WINDOWS_BUILD/screenshots/wine-main-window.png)
# Exit 0 when every step passes; 1 when one fails; 77 (skipped) when Wine, Xvfb, xdotool,
# ImageMagick or the Windows build is missing outside CI. In CI (CI=true) that fails.
set -u
here=$(cd "$(dirname "$0")" && pwd)
source "$here/windows_lib.sh"

if [ -z "${QUILLON_IN_XVFB:-}" ]; then
    [ $# -ge 2 ] || { echo "usage: $0 LINUX_BUILD WINDOWS_BUILD [SCREENSHOT]" >&2; exit 2; }
    for tool in xvfb-run xauth xdotool xwininfo import convert; do
        command -v "$tool" >/dev/null || unavailable "$tool is not installed (scripts/install-deps.sh windows)"
    done
    require_windows_build "$2"
    [ -d "$2/zip/Quillon" ] || unavailable "no zip folder in $2 (scripts/build-windows.sh makes it)"
    shot=$(realpath -m "${3:-$2/screenshots/wine-main-window.png}")
    QUILLON_IN_XVFB=1 exec xvfb-run -a -s '-screen 0 1024x768x24' "$0" "$(readlink -f "$1")" "$(readlink -f "$2")" \
      "$shot"
fi
linux=$1 windows=$2 shot=$3

work=$(mktemp -d "${TMPDIR:-/tmp}/quillon-wine-window.XXXXXX")
program=
cleanup() {
    [ -n "$program" ] && kill "$program" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
cd "$work" || exit 1
windows_path() { local path=${1//\//\\}; echo "Z:$path"; }

# The program folder as the zip holds it, with settings that name the output folder.
cp -r "$windows/zip/Quillon" program
mkdir out
printf '[Options]\r\ndefOutputFolder=%s\r\n' "$(windows_path "$work/out")" > program/Files/options.ini
set +o pipefail
head -c 1000000 "$linux/quillon-cli" > code
head -c 1000000 /usr/share/common-licenses/GPL-3 > text
"$linux/bench/make_disc_image" game.bin 4 code text >/dev/null

passes=0 failures=0
pass() { echo "PASS: $1"; passes=$((passes + 1)); }
fail() { echo "FAIL: $1"; failures=$((failures + 1)); }
finish() {
    echo "wine-window: $passes passed, $failures failed"
    [ $failures -eq 0 ]
    exit
}
window() { timeout 60 xdotool search --sync --onlyvisible --name "$1" 2>/dev/null | head -n 1; }
# The client area (the window's size in the program) inside the X window that Wine made,
# which may hold Wine's own frame: the offset of its top left corner.
client_offset() {  # WINDOW CLIENT_WIDTH CLIENT_HEIGHT
    local width height
    eval "$(xdotool getwindowgeometry --shell "$1" | grep -E '^(WIDTH|HEIGHT)=' | tr A-Z a-z)"
    local border=$(((width - $2) / 2))
    echo "$border $((height - $3 - border))"
}
click() {  # WINDOW OFFSET_X OFFSET_Y X Y: a click at a point of the client area
    xdotool mousemove --window "$1" $(($2 + $4)) $(($3 + $5)) click 1
}

wine_run program/quillon.exe "$(windows_path "$work/game.bin")" > program.log 2>&1 &
program=$!

# The main window: 539 x 273 in the program (its buttons and the status bar).
main=$(window '^Quillon')
[ -n "$main" ] || { fail "the main window appears"; finish; }
pass "the main window appears"
sleep 3  # the first paint, with the inspected source's fields
title=$(xdotool getwindowname "$main")
[ "$title" = "Quillon — English interface by the Quillon team" ] && pass "its title: $title" ||
  fail "its title: $title"
eval "$(xdotool getwindowgeometry --shell "$main" | grep -E '^(WIDTH|HEIGHT)=')"
[ "$WIDTH" -ge 539 ] && [ "$HEIGHT" -ge 273 ] && [ "$WIDTH" -le 560 ] && [ "$HEIGHT" -le 310 ] &&
  pass "its size: ${WIDTH}x$HEIGHT (client area 539x273)" || fail "its size: ${WIDTH}x$HEIGHT"
read -r dx dy < <(client_offset "$main" 539 273)
mkdir -p "$(dirname "$shot")"
import -window "$main" "$shot"
# Text is drawn where a blank control has none: dark pixels in the middle of the convert
# button (its Chinese caption, 转换) and of the source field (the start-up source's path).
dark_pixels() {  # WIDTH HEIGHT X Y of the client area
    local dark
    dark=$(convert "$shot" -crop "$1x$2+$((dx + $3))+$((dy + $4))" -colorspace Gray -threshold 50% -negate \
      -format '%[fx:mean*w*h]' info:)
    echo "${dark%.*}"
}
dark=$(dark_pixels 40 13 205 231)
[ "$dark" -ge 10 ] && pass "the convert button's caption is drawn ($dark dark pixels)" ||
  fail "the convert button's caption is drawn ($dark dark pixels)"
dark=$(dark_pixels 200 13 8 24)
[ "$dark" -ge 40 ] && pass "the source field shows the start-up source ($dark dark pixels)" ||
  fail "the source field shows the start-up source ($dark dark pixels)"

click "$main" "$dx" "$dy" 225 237  # convert
for _ in $(seq 120); do
    [ -f out/EBOOT.PBP ] && break
    sleep 1
done
[ -f out/EBOOT.PBP ] && pass "convert made out/EBOOT.PBP ($(stat -c %s out/EBOOT.PBP) bytes)" ||
  fail "convert made out/EBOOT.PBP"
sleep 2

before=$(cat program/Files/options.ini)
click "$main" "$dx" "$dy" 41 237  # options
options=$(window '^Options$')
[ -n "$options" ] && pass "the options window appears" || { fail "the options window appears"; finish; }
sleep 2
read -r ox oy < <(client_offset "$options" 539 335)
click "$options" "$ox" "$oy" 497 319  # save
for _ in $(seq 20); do
    [ "$(cat program/Files/options.ini)" != "$before" ] && break
    sleep 0.5
done
after=$(cat program/Files/options.ini)
[ "$after" != "$before" ] && grep -q "defOutputFolder=Z:" program/Files/options.ini &&
  pass "Save wrote Files/options.ini ($(grep -c = program/Files/options.ini) keys)" ||
  fail "Save wrote Files/options.ini"
finish
