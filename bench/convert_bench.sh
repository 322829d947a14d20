#!/bin/sh
# Conversion benchmark: converts a generated container with MIB MiB of image data
# (default 700) through quillon-cli, without and with the PAL patch, and copies a file
# of the same size for comparison: with cp, with dd in 64 KiB blocks, and with dd in
# the conversion's own pattern (65,535-byte blocks, 4,780 bytes past a 4 KiB boundary
# in the source and in the output). Prints the
# elapsed time and the peak memory (maximum resident set) of each. Run by hand, once:
# it writes about four times MIB MiB into WORK (default: a new folder under /tmp).
#
#   bench/convert_bench.sh [BUILD_DIR [MIB [WORK]]]
set -eu

build=$(cd "${1:-build}" && pwd)
mib=${2:-700}
work=${3:-$(mktemp -d /tmp/quillon-bench.XXXXXX)}
mkdir -p "$work/program/Files" "$work/out"
trap 'rm -rf "$work"' EXIT

# Elapsed seconds and peak memory of one command, with the page cache written back
# before it so the runs do not pay for each other's writes.
measure() {
    label=$1
    shift
    sync
    if [ -x /usr/bin/time ]; then
        /usr/bin/time -f "%e %M" -o "$work/time.txt" "$@" >/dev/null
        read -r seconds kib <"$work/time.txt"
    else
        start=$(date +%s.%N)
        "$@" >/dev/null
        seconds=$(echo "$(date +%s.%N) - $start" | bc)
        kib="?"
    fi
    printf '%-28s %8.2f s  %8s KiB peak\n' "$label" "$seconds" "$kib"
    echo "$seconds" >"$work/$label.seconds"
}

set -- "$build/quillon-cli" --program-folder "$work/program" convert "$work/source.pbp" \
    --output "$work/out" --title Benchmark --id-prefix SLUS --id-number 01234

echo "Generating a container with $mib MiB of image data in $work"
"$build/bench/make_bench_container" "$work/source.pbp" "$mib"
cat "$work/source.pbp" >/dev/null  # into the page cache, as for every run below
ls -l "$work/source.pbp"

measure cp cp "$work/source.pbp" "$work/copy.pbp"
rm -f "$work/copy.pbp"
measure dd dd if="$work/source.pbp" of="$work/copy.pbp" bs=64k status=none
rm -f "$work/copy.pbp"
measure dd-65535 dd if="$work/source.pbp" of="$work/copy.pbp" bs=65535 iflag=skip_bytes \
    oflag=seek_bytes skip=4780 seek=4780 status=none
rm -f "$work/copy.pbp"
measure convert "$@"
rm -f "$work/out/EBOOT.PBP"
measure convert-pal-fix "$@" --pal-fix
test -s "$work/out/EBOOT.PBP"

ratio() { echo "scale=3; $(cat "$work/$1.seconds") / $(cat "$work/$2.seconds")" | bc; }
echo "convert / cp:              $(ratio convert cp)"
echo "convert / dd:              $(ratio convert dd)"
echo "convert / dd-65535:        $(ratio convert dd-65535)"
echo "convert --pal-fix / convert: $(ratio convert-pal-fix convert)"
