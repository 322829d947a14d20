#!/usr/bin/env bash
# Times the popstation tool on a generated 700 MB disc image at level 0 and level 9,
# beside cp and gzip -9 of the same file. Targets: level 0 within 1.2 x cp, level 9 at
# least as fast as gzip -9. Needs about 2.5 GB in the temporary folder.
#   bench/popstation_bench.sh [BUILD_FOLDER]   (default: build)
set -eu  # no pipefail: the generators below end by SIGPIPE from head
build=${1:-build}
tool=$(realpath "$build/Files/popstation")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

# A mixture like a disc's: noise (already packed data), text, zeros and program code,
# in 3 MiB rounds up to 700 MB.
head -c $((1024 * 1024)) /dev/urandom > noise
seq 1 200000 | head -c $((1024 * 1024)) > text
head -c $((512 * 1024)) /dev/zero > zeros
cat /usr/bin/* 2>/dev/null | head -c $((512 * 1024)) > code
cat noise text zeros code > round
rounds=$((700 * 1000 * 1000 / $(stat -c %s round) + 1))
for ((i = 0; i < rounds; i++)); do cat round; done | head -c 700000000 > image.bin
printf 'BOOT = cdrom:\\SLUS_012.34;1' | dd of=image.bin bs=1 seek=37000 conv=notrunc status=none
rm -f noise text zeros code round
cat image.bin > /dev/null  # every run reads from the page cache

# Runs the command; prints its wall time and its processor time (user + system), in
# seconds. The machine may be shared: the processor time tells the cost apart from the
# waiting for a core.
measure() {
    local TIMEFORMAT='%R %U %S' t
    t=$( { time "$@" > /dev/null 2>&1; } 2>&1 )
    echo "$t" | awk '{ printf "%.2f %.2f", $1, $2 + $3 }'
}
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
report() {  # name, "wall cpu"
    set -- "$1" $2
    printf '%-16s %7.2f s wall %7.2f s processor\n' "$1" "$2" "$3"
}

mkdir out
cp_t=$(measure cp image.bin out/copy.bin); rm -f out/copy.bin
gzip_t=$(measure sh -c 'gzip -9 -c image.bin > out/image.gz'); rm -f out/image.gz
level0_t=$(cd out && measure "$tool" "" SLUS01234 0 ../image.bin); rm -f out/EBOOT.PBP
level9_t=$(cd out && measure "$tool" "" SLUS01234 9 ../image.bin)
size9=$(stat -c %s out/EBOOT.PBP); rm -f out/EBOOT.PBP

echo "image: 700000000 bytes; $(nproc) cores; load average $(cut -d' ' -f1-3 /proc/loadavg)"
report "cp" "$cp_t"
report "popstation 0" "$level0_t"
report "gzip -9" "$gzip_t"
report "popstation 9" "$level9_t"
echo "level 0 / cp:      $(ratio "${level0_t% *}" "${cp_t% *}") wall (target <= 1.2)"
echo "level 9 / gzip -9: $(ratio "${level9_t% *}" "${gzip_t% *}") wall (target <= 1.0); EBOOT.PBP $size9 bytes"
