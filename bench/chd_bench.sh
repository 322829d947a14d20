#!/usr/bin/env bash
# CHD benchmark: a generated disc of MB million bytes (default 250) of real-disc-like
# sectors (build/bench/make_disc_image: a Mode 2 data track, then an audio track of about
# a seventh of the disc, after a two-second pregap) described by a cue sheet and made
# into game.chd by `chdman createcd` with its default codecs; then, in the same folder,
# whole-process times, best of ROUNDS rounds (default 3), at levels 0 and 9:
#   - quillon-cli convert game.chd, straight from the CHD;
#   - the two-step path that the CHD replaces, as one shell command: `chdman extractcd`
#     to BIN + CUE (step/game.bin, step/game.cue: the same name, so the same container),
#     then quillon-cli convert of the cue sheet.
# Targets: straight from the CHD at most 0.80 x the two-step path at level 0, at most
# 1.00 x at level 9, and no temporary image on disk. Every conversion of a disc image
# writes two containers (the tool's, in the Files folder, removed at the end, and the
# finished one), so the bytes that the straight conversion writes to storage (its block
# writes, children included) must be twice the container, where the two-step path writes
# the image besides; the work folder's peak growth while it runs (sampled with du, the
# temporary folder inside it) is printed beside. The two paths' containers must be
# identical. Needs chdman and /usr/bin/time (Debian packages
# mame-tools, time). Run by hand, never as a test: it writes about three times MB MB
# into a new folder inside WORK (default ${TMPDIR:-/tmp}; a disk folder, since a memory
# file system counts no block writes), removed at the end; about three minutes on two
# cores.
#
#   bench/chd_bench.sh [BUILD_DIR [MB [WORK]]]
set -euo pipefail

build=$(cd "${1:-build}" && pwd)
megabytes=${2:-250}
source "$(dirname "$0")/bench_lib.sh"
new_work_folder "${3:-${TMPDIR:-/tmp}}"
cd "$work"
mkdir -p program/Files out tmp step
export TMPDIR=$work/tmp  # a temporary file of either path lands in the watched folder
ln -s "$build/Files/popstation" program/Files/popstation
cli=("$build/quillon-cli" --program-folder "$work/program")
options=(--output "$work/out" --title Benchmark --id-prefix SLUS --id-number 01234)

# Samples of program code and of text for the payload of the data sectors (no pipefail
# for these: head ends them by SIGPIPE).
set +o pipefail
cat /usr/bin/* 2> /dev/null | head -c 8000000 > code
cat /usr/share/doc/*/copyright /usr/share/common-licenses/* 2> /dev/null | head -c 4000000 > text
set -o pipefail
"$build/bench/make_disc_image" game.bin "$megabytes" code text
rm code text

# The disc image's tracks as make_disc_image lays them out: data, then the last seventh
# (rounded down) of its sectors audio; the audio track's pregap is the last two seconds
# of data before it.
msf() { printf '%02d:%02d:%02d' $(($1 / 4500)) $(($1 / 75 % 60)) $(($1 % 75)); }
sectors=$(($(stat -c %s game.bin) / 2352))
audio_start=$((sectors - sectors / 7))
cat > game.cue << EOF
FILE "game.bin" BINARY
  TRACK 01 MODE2/2352
    INDEX 01 00:00:00
  TRACK 02 AUDIO
    INDEX 00 $(msf $((audio_start - 150)))
    INDEX 01 $(msf "$audio_start")
EOF
echo "Making game.chd of $megabytes MB with chdman createcd (default codecs)"
chdman createcd -i game.cue -o game.chd > chdman.log 2>&1 || { cat chdman.log >&2; exit 1; }
rm game.bin game.cue
cat game.chd > /dev/null  # every run reads from the page cache

straight() {  # LEVEL: the conversion straight from the CHD
    rm -f out/EBOOT.PBP
    measure "chd-$1" "${cli[@]}" convert game.chd "${options[@]}" --compression "$1"
}
two_step() {  # LEVEL: chdman extractcd to BIN + CUE, then the conversion of the cue sheet
    rm -f out/EBOOT.PBP step/game.bin step/game.cue
    measure "two-step-$1" sh -c 'chdman extractcd -i game.chd -o step/game.cue -ob step/game.bin > /dev/null 2>&1 &&
        "$@"' two-step "${cli[@]}" convert step/game.cue "${options[@]}" --compression "$1"
}

for ((round = 0; round < rounds; round++)); do
    for level in 0 9; do
        straight "$level"
        mv out/EBOOT.PBP "chd-$level.pbp"
        two_step "$level"
        mv out/EBOOT.PBP "two-step-$level.pbp"
    done
done
image_bytes=$(stat -c %s step/game.bin)
rm -f step/game.bin step/game.cue

# folder_growth COMMAND...: the most that the work folder's disk usage grew, in bytes,
# while COMMAND ran (sampled every 20 ms; its output goes to out/).
folder_growth() {
    local before most sample
    before=$(du -s --block-size=1 . | cut -f1)
    most=$before
    "$@" > /dev/null &
    while kill -0 $! 2> /dev/null; do
        sample=$(du -s --block-size=1 . 2> /dev/null | cut -f1)
        [ "$sample" -gt "$most" ] && most=$sample
        sleep 0.02
    done
    wait $!
    echo $((most - before))
}
growth=()
for level in 0 9; do
    rm -f out/EBOOT.PBP
    growth+=("$(folder_growth "${cli[@]}" convert game.chd "${options[@]}" --compression "$level")")
done
rm -f out/EBOOT.PBP

echo "disc: $sectors sectors ($((sectors * 2352)) bytes, audio from sector $audio_start)," \
    "game.chd $(stat -c %s game.chd) bytes, in $(df --output=fstype "$work" | tail -n 1); best of $rounds" \
    "rounds; $(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg)"
for label in chd-0 two-step-0 chd-9 two-step-9; do report "$label"; done
compare "from the CHD / two-step, level 0" chd-0 two-step-0 "target at most 0.80"
compare "from the CHD / two-step, level 9" chd-9 two-step-9 "target at most 1.00"
for ((i = 0; i < 2; i++)); do
    level=$((i * 9))
    size=$(stat -c %s "chd-$level.pbp")
    printf '%-34s %5s written %5s peak growth   (target: written 2.00, the tool'"'"'s container and the finished one)\n' \
        "level $level: from the CHD / container" "$(quotient "$(written "chd-$level")" "$size")" \
        "$(quotient "${growth[i]}" "$size")"
    printf '%-34s %s bytes, written %s from the CHD, %s by the two-step path (difference %s, the image %s)\n' \
        "level $level: container" "$size" "$(written "chd-$level")" "$(written "two-step-$level")" \
        "$(($(written "two-step-$level") - $(written "chd-$level")))" "$image_bytes"
    if cmp -s "chd-$level.pbp" "two-step-$level.pbp"; then
        echo "level $level: the containers of the two paths are identical"
    else
        echo "level $level: the containers of the two paths differ"
    fi
done
