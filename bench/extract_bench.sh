#!/usr/bin/env bash
# ISO extraction beside a plain copy: builds a container whose image data is 700 MB of
# stored bytes, then times `quillon-cli extract` of it against `cp` of the same 700 MB:
# wall-clock time of each command, started with no dirty data pending (sync before),
# best of three alternating rounds (shared machines and virtual disks are noisy); the
# cpu time (user + system) of each is reported beside it.
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

# timed OUTPUT COMMAND...: "wall cpu" seconds of the command, which writes OUTPUT; cpu is
# user plus system time, which other load on the machine disturbs less than wall time.
timed() {
    local output=$1 times
    shift
    rm -f "$output"
    sync
    times=$( { TIMEFORMAT='%R %U %S'; time "$@" > /dev/null; } 2>&1 )
    awk -v t="$times" 'BEGIN { split(t, v, " "); printf "%.3f %.3f", v[1], v[2] + v[3] }'
}
best() { printf '%s\n' "$@" | sort -g | head -n 1; }

copyWall=() copyCpu=() extractWall=() extractCpu=()
for _ in 1 2 3; do
    read -r wall cpu <<< "$(timed "$work/copy.iso" cp --reflink=never "$image" "$work/copy.iso")"
    copyWall+=("$wall") copyCpu+=("$cpu")
    read -r wall cpu <<< "$(timed "$work/game.iso" "$cli" --program-folder "$work" extract "$container" "$work/game.iso")"
    extractWall+=("$wall") extractCpu+=("$cpu")
done
cmp -s "$image" "$work/game.iso" || { echo "extracted image differs from the stored bytes" >&2; exit 1; }

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
echo "image data: $megabytes MB; best of 3 rounds, wall-clock (cpu) seconds"
echo "plain copy: $(best "${copyWall[@]}") ($(best "${copyCpu[@]}"))   rounds: ${copyWall[*]}"
echo "extraction: $(best "${extractWall[@]}") ($(best "${extractCpu[@]}"))   rounds: ${extractWall[*]}"
echo "ratio:      $(ratio "$(best "${extractWall[@]}")" "$(best "${copyWall[@]}")") wall, $(ratio "$(best "${extractCpu[@]}")" "$(best "${copyCpu[@]}")") cpu (target at most 1.10)"
