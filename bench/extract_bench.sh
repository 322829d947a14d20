#!/usr/bin/env bash
# ISO extraction beside a plain copy: builds a container whose image data is 700 MB of
# stored bytes, then times `quillon-cli extract` of it against `cp` of the same 700 MB:
# wall-clock time of each command, started with no dirty data pending (sync before),
# best of three alternating rounds (shared machines and virtual disks are noisy).
# Target: the extraction takes at most 1.10 times the copy's time.
#
# Usage: bench/extract_bench.sh [BUILD_DIR]   (QUILLON_BENCH_MB sets the size, default 700)
# Never part of the tests.
# Needs about four times the size in free space under ${TMPDIR:-/tmp}.
set -euo pipefail

build=$(cd "${1:-build}" && pwd)
cli="$build/quillon-cli"
megabytes=${QUILLON_BENCH_MB:-700}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The container: header, disc-image block at 0x50000 (marker, zeros up to its image
# data at 0x100000), the image data, and a start-screen block with a 4,976-byte trailer.
image="$work/image.bin"
dd if=/dev/urandom of="$image" bs=1M count="$megabytes" status=none
container="$work/game.pbp"
{
    printf '\000PBP\000\000\001\000'
    for _ in 1 2 3 4 5 6 7; do printf '\050\000\000\000'; done
    printf '\000\000\005\000'
} > "$container"
truncate -s $((0x50000)) "$container"
printf 'PSISOIMG0000' >> "$container"
truncate -s $((0x150000)) "$container"
cat "$image" >> "$container"
{
    printf 'STARTDAT'
    head -c 72 /dev/zero
    head -c 5056 /dev/zero
} >> "$container"
sync

seconds() { date +%s.%N; }
timed() {  # timed OUTPUT COMMAND...: seconds taken by the command, which writes OUTPUT
    local output=$1 start end
    shift
    rm -f "$output"
    sync
    start=$(seconds)
    "$@" > /dev/null
    end=$(seconds)
    awk -v a="$start" -v b="$end" 'BEGIN { printf "%.3f", b - a }' 
}
best() { printf '%s\n' "$@" | sort -g | head -n 1; }

copies=() extractions=()
for _ in 1 2 3; do
    copies+=("$(timed "$work/copy.iso" cp --reflink=never "$image" "$work/copy.iso")")
    extractions+=("$(timed "$work/game.iso" "$cli" --program-folder "$work" extract "$container" "$work/game.iso")")
done
cmp -s "$image" "$work/game.iso" || { echo "extracted image differs from the stored bytes" >&2; exit 1; }

copy=$(best "${copies[@]}")
extraction=$(best "${extractions[@]}")
ratio=$(awk -v a="$extraction" -v b="$copy" 'BEGIN { printf "%.3f", a / b }')
echo "image data: $megabytes MB"
echo "plain copy: $copy s (rounds: ${copies[*]})"
echo "extraction: $extraction s (rounds: ${extractions[*]})"
echo "ratio:      $ratio (target at most 1.10)"
