#!/usr/bin/env bash
# The Windows quillon-cli.exe under Wine makes the same containers as the Linux
# quillon-cli and gives back the same images, byte for byte: a disc image with a
# Japanese file name, a cue sheet with an audio track and a playlist of two discs, each
# converted and extracted again by both. Ctrl+C (SIGINT, which Wine hands to the program
# as the console's Ctrl+C) stops a conversion under Wine with exit status 130 and no
# container.
#
# Usage: check_cli.sh LINUX_BUILD WINDOWS_BUILD
# Exit 0 when all agree; 1 when one differs or fails; 77 (skipped) when Wine or the
# Windows build is missing outside CI. In CI (CI=true) a missing piece fails.
set -u
[ $# -eq 2 ] || { echo "usage: $0 LINUX_BUILD WINDOWS_BUILD" >&2; exit 2; }
linux=$(readlink -f "$1")
windows=$(readlink -f "$2")
here=$(cd "$(dirname "$0")" && pwd)
source "$here/windows_lib.sh"
require_windows_build "$windows"
[ -x "$linux/quillon-cli" ] && [ -x "$linux/bench/make_disc_image" ] ||
  unavailable "no Linux build in $linux"

work=$(mktemp -d "${TMPDIR:-/tmp}/quillon-wine-cli.XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1

# A program folder for each build: the tool and the shipped files, no settings.
mkdir -p linux/Files windows/Files
cp "$linux/Files/popstation" "$linux"/Files/{base.pbp,gameInfo.txt} linux/Files/
cp "$windows/Files/popstation.exe" "$windows"/Files/{base.pbp,gameInfo.txt} windows/Files/
run_linux() { "$linux/quillon-cli" --program-folder linux "$@" </dev/null >/dev/null 2>>linux.log; }
run_windows() { wine_run "$windows/quillon-cli.exe" --program-folder windows "$@" </dev/null >/dev/null 2>>windows.log; }

passes=0 failures=0
check() {  # NAME COMMAND...: runs the check and counts it
    local name=$1
    shift
    if "$@"; then
        echo "PASS: $name"
        passes=$((passes + 1))
    else
        echo "FAIL: $name"
        failures=$((failures + 1))
    fi
}

# The discs: make_disc_image's data track and audio track, from samples of code and text.
set +o pipefail
head -c 2000000 "$linux/quillon-cli" > code
cat /usr/share/common-licenses/* 2>/dev/null | head -c 1000000 > text
"$linux/bench/make_disc_image" "ゲーム.bin" 12 code text >/dev/null
"$linux/bench/make_disc_image" disc2.bin 5 text code >/dev/null
msf() { printf '%02d:%02d:%02d' $(($1 / 4500)) $(($1 / 75 % 60)) $(($1 % 75)); }
sectors=$(($(stat -c %s "ゲーム.bin") / 2352))
audio_start=$((sectors - sectors / 7))
printf 'FILE "ゲーム.bin" BINARY\r\n  TRACK 01 MODE2/2352\r\n    INDEX 01 00:00:00\r\n  TRACK 02 AUDIO\r\n    INDEX 00 %s\r\n    INDEX 01 %s\r\n' \
  "$(msf $((audio_start - 150)))" "$(msf "$audio_start")" > "ハーバー.cue"
printf 'ゲーム.bin\r\ndisc2.bin\r\n' > game.m3u

# SOURCE LEVEL CASE: both programs convert SOURCE at LEVEL into out-SIDE/CASE and extract
# it again into back-SIDE/CASE/.
convert_and_extract() {
    local source=$1 level=$2 case=$3 side
    for side in linux windows; do
        mkdir -p "back-$side/$case" "out-$side"
        "run_$side" convert "$source" --output "out-$side/$case" --title "Harbor Run" --id-prefix SLUS \
          --id-number 99004 --compression "$level" || { echo "$side: convert $source failed"; return 1; }
        "run_$side" extract "out-$side/$case/EBOOT.PBP" "back-$side/$case/disc.iso" ||
          { echo "$side: extract of $case failed"; return 1; }
    done
}
same_folders() {  # A B: the same files with the same bytes
    diff -r "$1" "$2" >/dev/null && [ -n "$(ls -A "$1")" ]
}
for case in "image ゲーム.bin 9" "cue ハーバー.cue 0" "playlist game.m3u 5"; do
    set -- $case
    check "$1: converted and extracted under Wine" convert_and_extract "$2" "$3" "$1"
    check "$1: the containers are the same" same_folders "out-linux/$1" "out-windows/$1"
    check "$1: the extracted files are the same" same_folders "back-linux/$1" "back-windows/$1"
done
check "image: the extracted image is the source" cmp -s "ゲーム.bin" "back-windows/image/disc.iso"
check "cue: the image and its cue sheet come back" test -f "back-windows/cue/disc.iso" -a -f "back-windows/cue/disc.cue"
check "playlist: both discs come back" cmp -s disc2.bin "back-windows/playlist/disc (Disc 2).iso"

# Ctrl+C while the tool packs: exit status 130, no container, no tool left running.
"$linux/bench/make_disc_image" big.bin 150 code text >/dev/null
stopped_by_ctrl_c() {
    mkdir -p out-stop
    # With job control a program started in the background does not ignore SIGINT.
    set -m
    LC_ALL=C.UTF-8 "$here/wine.sh" "$windows/quillon-cli.exe" --program-folder windows convert big.bin \
      --output out-stop --title Stop --id-prefix SLUS --id-number 99005 --compression 9 </dev/null >/dev/null \
      2>stop.log &
    local cli=$! waited=0
    set +m
    until compgen -G "windows/Files/.EBOOT.PBP.*.part" >/dev/null; do
        sleep 0.2
        waited=$((waited + 1))
        [ $waited -lt 300 ] || { echo "the tool did not start"; kill $cli; return 1; }
    done
    kill -INT $cli
    wait $cli
    local status=$?
    [ $status -eq 130 ] || { echo "exit status $status, not 130"; cat stop.log; return 1; }
    [ ! -e out-stop/Stop/EBOOT.PBP ] || { echo "a container was written"; return 1; }
    sleep 1
    # Wine names a program by its Windows path, here below this check's own folder.
    ! pgrep -f "$(basename "$work").windows.Files.popstation[.]exe" >/dev/null || { echo "the tool still runs"; return 1; }
    [ ! -e out-stop/EBOOT.PBP ] || { echo "a container was written"; return 1; }
}
check "Ctrl+C stops a conversion with exit status 130" stopped_by_ctrl_c

[ $failures -eq 0 ] || { echo "== linux.log"; cat linux.log; echo "== windows.log"; cat windows.log; }
echo "wine-cli: $passes passed, $failures failed"
[ $failures -eq 0 ]
