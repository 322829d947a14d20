#!/usr/bin/env bash
# Compression benchmark: the popstation tool's deflate and the program's inflate on a
# generated disc image of MB million bytes (default 300) of real-disc-like sectors
# (build/bench/make_disc_image: sync and headers, program code and text taken from the
# system's programs and documents, zeros, noise, an audio track; the PAL patch's code in
# every tenth block), each figure beside its baseline in the same run, in the same
# folder, whole-process times, best of ROUNDS rounds (default 3):
#   - the tool at level 9 / pigz -9 on all cores, same input: target at most 0.45;
#   - the size of its image data / the same blocks deflated one by one by zlib at level
#     9 (Python's zlib module): target at most 1.00;
#   - the tool with --max-compression (once): its size / that zlib size, and its time
#     / the time of level 9;
#   - extraction of the level-9 container (quillon-cli extract) / pigz -d of the image
#     as one gzip file: target at most 0.7;
#   - the PAL patch of the level-9 container (quillon-cli convert --pal-fix) /
#     extraction of it: target at most 1.5;
#   - peak memory of the tool at level 9, the extraction and the patch flat in the
#     image size (compared with a 16 MB image).
# Needs pigz, python3 and /usr/bin/time (Debian packages pigz, python3, time). Run by
# hand, never as a test: it writes about four times MB MB into a new folder inside
# WORK (default ${TMPDIR:-/tmp}), removed at the end; a few minutes on two cores.
#
#   bench/compression_bench.sh [BUILD_DIR [MB [WORK]]]
set -euo pipefail

build=$(cd "${1:-build}" && pwd)
megabytes=${2:-300}
source "$(dirname "$0")/bench_lib.sh"
new_work_folder "${3:-${TMPDIR:-/tmp}}"
cd "$work"
mkdir -p program/Files packed patched
tool=$build/Files/popstation
cli=("$build/quillon-cli" --program-folder "$work/program")
finish=(--title Benchmark --id-prefix SLUS --id-number 01234 --pal-fix)

# Samples of program code and of text for the payload of the data sectors (no pipefail
# for these: head ends them by SIGPIPE).
set +o pipefail
cat /usr/bin/* 2> /dev/null | head -c 8000000 > code
cat /usr/share/doc/*/copyright /usr/share/common-licenses/* 2> /dev/null | head -c 4000000 > text
set -o pipefail
"$build/bench/make_disc_image" image.bin "$megabytes" code text
"$build/bench/make_disc_image" small.bin 16 code text
rm code text
cat image.bin > /dev/null  # every run reads from the page cache

# stored_bytes CONTAINER BLOCKS: the stored sizes of the first BLOCKS blocks of the
# container's index, added up.
stored_bytes() {
    local psar=$(( $(od -An -tu4 -j36 -N4 "$1") ))
    od -An -tu2 -v -w32 -j $((psar + 0x4000)) -N $(($2 * 32)) "$1" | awk '{ s += $3 } END { print s }'
}

# The same blocks deflated one by one by zlib at level 9, raw, the last completed with zeros.
zlib_bytes() {
    python3 -c '
import sys, zlib
total = 0
with open(sys.argv[1], "rb") as image:
    while block := image.read(0x9300):
        packer = zlib.compressobj(9, zlib.DEFLATED, -15)
        total += len(packer.compress(block.ljust(0x9300, b"\0")) + packer.flush())
print(total)' "$1"
}

pack() {  # LABEL SOURCE ARGUMENTS...: the tool in packed/, writing packed/EBOOT.PBP
    local label=$1 source=$2
    shift 2
    rm -f packed/EBOOT.PBP
    (cd packed && measure "$label" "$tool" "$@" "../$source")
}

for ((round = 0; round < rounds; round++)); do
    rm -f image.bin.gz
    measure pigz-9 pigz -9 -k image.bin
    rm -f unpacked.bin
    measure pigz-d sh -c 'pigz -dc image.bin.gz > unpacked.bin'
    pack popstation-9 image.bin "" SLUS01234 9
    rm -f extracted.iso
    measure extract "${cli[@]}" extract packed/EBOOT.PBP extracted.iso
    rm -f patched/EBOOT.PBP
    measure pal-patch "${cli[@]}" convert packed/EBOOT.PBP --output "$work/patched" "${finish[@]}"
done
cmp -s image.bin extracted.iso || { echo "the extracted image differs from the source" >&2; exit 1; }
blocks=$(( ($(stat -c %s image.bin) + 0x9300 - 1) / 0x9300 ))
level9_bytes=$(stored_bytes packed/EBOOT.PBP "$blocks")
pigz_bytes=$(stat -c %s image.bin.gz)
mv packed/EBOOT.PBP level9.pbp
rm -f image.bin.gz unpacked.bin extracted.iso patched/EBOOT.PBP
pack popstation-max image.bin --max-compression
max_bytes=$(stored_bytes packed/EBOOT.PBP "$blocks")
zlib9_bytes=$(zlib_bytes image.bin)

pack popstation-9-16-mb small.bin "" SLUS01234 9
mv packed/EBOOT.PBP small.pbp
measure extract-16-mb "${cli[@]}" extract small.pbp small.iso
measure pal-patch-16-mb "${cli[@]}" convert small.pbp --output "$work/patched" "${finish[@]}"

echo "image: $(stat -c %s image.bin) bytes in $(df --output=fstype "$work" | tail -n 1); best of $rounds" \
    "rounds; $(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg)"
for label in pigz-9 popstation-9 popstation-max pigz-d extract pal-patch popstation-9-16-mb extract-16-mb \
    pal-patch-16-mb; do
    report "$label"
done
compare "popstation 9 / pigz -9" popstation-9 pigz-9 "target at most 0.45"
compare "popstation max / popstation 9" popstation-max popstation-9 "its time, for reference"
share() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.4f", a / b }'; }
printf '%-34s %6s      (%s bytes of blocks, zlib -9 block by block %s; target at most 1.00)\n' \
    "size popstation 9 / zlib 9" "$(share "$level9_bytes" "$zlib9_bytes")" "$level9_bytes" "$zlib9_bytes"
printf '%-34s %6s      (%s bytes of blocks; pigz -9 of the image as one file: %s bytes)\n' \
    "size popstation max / zlib 9" "$(share "$max_bytes" "$zlib9_bytes")" "$max_bytes" "$pigz_bytes"
compare "extract / pigz -d" extract pigz-d "target at most 0.7"
compare "pal patch / extract" pal-patch extract "target at most 1.5"
compare_peaks "peak memory popstation 9, $megabytes / 16 MB" popstation-9-16-mb popstation-9
compare_peaks "peak memory extract, $megabytes / 16 MB" extract-16-mb extract
compare_peaks "peak memory pal patch, $megabytes / 16 MB" pal-patch-16-mb pal-patch
