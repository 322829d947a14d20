#!/usr/bin/env bash
# Times the popstation tool on a generated disc image of MB million bytes (default 700)
# at level 0 and level 9, beside plain `cp` (as users run it: coreutils 9 copies inside
# the kernel) and `gzip -9` of the same file, in the same folder; best of ROUNDS rounds
# (default 3). Targets: level 0 at most 1.2 x cp; level 9 at least as fast as gzip -9,
# its EBOOT.PBP at most 1.05 x the size of gzip's output; peak memory flat in the image
# size (compared with level 9 of a 16 MB image).
# Run by hand, never as a test: it writes about 3.5 times MB MB into a new folder inside
# WORK (default ${TMPDIR:-/tmp}), removed at the end, and takes a few minutes per round.
#
#   bench/popstation_bench.sh [BUILD_FOLDER [MB [WORK]]]
set -eu  # no pipefail: the generators below end by SIGPIPE from head
build=${1:-build}
size=$((${2:-700} * 1000 * 1000))
tool=$(realpath "$build/Files/popstation")
source "$(dirname "$0")/bench_lib.sh"
new_work_folder "${3:-${TMPDIR:-/tmp}}"
cd "$work"

# A mixture like a disc's: noise (already packed data), text, zeros and program code,
# in 3 MiB rounds up to the size.
head -c $((1024 * 1024)) /dev/urandom > noise
seq 1 200000 | head -c $((1024 * 1024)) > text
head -c $((512 * 1024)) /dev/zero > zeros
cat /usr/bin/* 2>/dev/null | head -c $((512 * 1024)) > code
cat noise text zeros code > round
repeats=$((size / $(stat -c %s round) + 1))
for ((i = 0; i < repeats; i++)); do cat round; done | head -c "$size" > image.bin
printf 'BOOT = cdrom:\\SLUS_012.34;1' | dd of=image.bin bs=1 seek=37000 conv=notrunc status=none
head -c 16000000 image.bin > small.bin
rm -f noise text zeros code round
cat image.bin > /dev/null  # every run reads from the page cache

mkdir out
pack=("$tool" "" SLUS01234)  # LEVEL SOURCE follow; it writes EBOOT.PBP into the current folder
for ((round = 0; round < rounds; round++)); do
    rm -f out/copy.bin
    measure cp cp image.bin out/copy.bin
    rm -f out/copy.bin image.bin.gz
    measure gzip-9 gzip -9 -k image.bin
    rm -f out/EBOOT.PBP
    (cd out && measure popstation-0 "${pack[@]}" 0 ../image.bin)
    rm -f out/EBOOT.PBP
    (cd out && measure popstation-9 "${pack[@]}" 9 ../image.bin)
done
gzip_size=$(stat -c %s image.bin.gz) eboot_size=$(stat -c %s out/EBOOT.PBP)
rm -f out/EBOOT.PBP image.bin.gz
(cd out && measure popstation-9-16-mb "${pack[@]}" 9 ../small.bin)

echo "image: $size bytes in $(df --output=fstype "$work" | tail -n 1); best of $rounds rounds;" \
    "$(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg)"
for label in cp popstation-0 gzip-9 popstation-9 popstation-9-16-mb; do report "$label"; done
compare "popstation 0 / cp" popstation-0 cp "target at most 1.2"
compare "popstation 9 / gzip -9" popstation-9 gzip-9 "target at most 1.0"
printf '%-34s %5s       (EBOOT.PBP %s bytes, gzip -9 %s bytes; target at most 1.05)\n' \
    "size popstation 9 / gzip -9" "$(quotient "$eboot_size" "$gzip_size")" "$eboot_size" "$gzip_size"
compare_peaks "peak memory popstation 9, $((size / 1000000)) / 16 MB" popstation-9-16-mb popstation-9
