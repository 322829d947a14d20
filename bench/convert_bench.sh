#!/usr/bin/env bash
# Conversion (finishing) benchmark: converts a generated container with MIB MiB of image
# data (default 700) through quillon-cli, without and with the PAL patch, beside copies
# of the same file in the same folder: plain `cp` as users run it (coreutils 9 copies
# inside the kernel), `dd` in 64 KiB blocks, and `dd` in the conversion's own pattern
# (65,535-byte blocks, 4,780 bytes past a 4 KiB boundary in the source and the output),
# both of which move the bytes through their own memory. Best of ROUNDS rounds (default
# 3); prints wall and processor times, peak memory and the ratios. Targets: the
# conversion at most 1.10 x cp, the patch adding at most 10 %, peak memory flat in the
# image size (compared with a conversion of a 16 MiB container).
# Run by hand, never as a test: it writes about three times MIB MiB into a new folder
# inside WORK (default /tmp), removed at the end; WORK /dev/shm measures in memory.
#
#   bench/convert_bench.sh [BUILD_DIR [MIB [WORK]]]
set -euo pipefail

build=$(cd "${1:-build}" && pwd)
mib=${2:-700}
source "$(dirname "$0")/bench_lib.sh"
new_work_folder "${3:-/tmp}"
mkdir -p "$work/program/Files" "$work/out"

convert=("$build/quillon-cli" --program-folder "$work/program" convert)  # SOURCE, then $options
options=(--output "$work/out" --title Benchmark --id-prefix SLUS --id-number 01234)

echo "Generating a container with $mib MiB of image data in $work"
"$build/bench/make_bench_container" "$work/source.pbp" "$mib"
"$build/bench/make_bench_container" "$work/small.pbp" 16
cat "$work/source.pbp" > /dev/null  # into the page cache, as for every run below

for ((round = 0; round < rounds; round++)); do
    rm -f "$work/copy.pbp"
    measure cp cp "$work/source.pbp" "$work/copy.pbp"
    rm -f "$work/copy.pbp"
    measure dd dd if="$work/source.pbp" of="$work/copy.pbp" bs=64k status=none
    rm -f "$work/copy.pbp"
    measure dd-65535 dd if="$work/source.pbp" of="$work/copy.pbp" bs=65535 iflag=skip_bytes \
        oflag=seek_bytes skip=4780 seek=4780 status=none
    rm -f "$work/copy.pbp" "$work/out/EBOOT.PBP"
    measure convert "${convert[@]}" "$work/source.pbp" "${options[@]}"
    rm -f "$work/out/EBOOT.PBP"
    measure convert-pal-fix "${convert[@]}" "$work/source.pbp" "${options[@]}" --pal-fix
done
test -s "$work/out/EBOOT.PBP"
rm -f "$work/out/EBOOT.PBP"
measure convert-16-mib "${convert[@]}" "$work/small.pbp" "${options[@]}"

echo "container: $(stat -c %s "$work/source.pbp") bytes in $(df --output=fstype "$work" | tail -n 1);" \
    "best of $rounds rounds; $(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg)"
for label in cp dd dd-65535 convert convert-pal-fix convert-16-mib; do report "$label"; done
compare "convert / cp" convert cp "target at most 1.10"
compare "convert / dd" convert dd "user-space copy, for reference"
compare "convert / dd-65535" convert dd-65535 "user-space copy, for reference"
compare "convert --pal-fix / convert" convert-pal-fix convert "target at most 1.10"
compare_peaks "peak memory convert, $mib / 16 MiB" convert-16-mib convert
