#!/usr/bin/env bash
# ISO extraction beside a plain copy: generates a container with MIB MiB of stored image
# data (default 700, build/bench/make_bench_container), then times `quillon-cli extract`
# of it against `cp` of a file holding the same bytes: wall-clock time of each command,
# started with no dirty data pending (sync before), best of three alternating rounds
# (shared machines and virtual disks are noisy); the cpu time (user + system) of each
# is reported beside it. Target: the extraction takes at most 1.10 times the copy's time.
# Run by hand, never as a test: it writes about four times MIB MiB under ${TMPDIR:-/tmp}.
#
#   bench/extract_bench.sh [BUILD_DIR [MIB]]
set -euo pipefail

build=$(cd "${1:-build}" && pwd)
mib=${2:-700}
cli="$build/quillon-cli"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

container="$work/game.pbp"
"$build/bench/make_bench_container" "$container" "$mib"
# The image data as a file of its own: what the copy copies and the extraction must give.
psar=$(( $(od -An -tu4 -j36 -N4 "$container") & 0xFFFFFF ))
image="$work/image.bin"
tail -c +$((psar + 0x100000 + 1)) "$container" | head -c $((mib * 1048576)) > "$image"
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
echo "image data: $mib MiB; best of 3 rounds, wall-clock (cpu) seconds"
echo "plain copy: $(best "${copyWall[@]}") ($(best "${copyCpu[@]}"))   rounds: ${copyWall[*]}"
echo "extraction: $(best "${extractWall[@]}") ($(best "${extractCpu[@]}"))   rounds: ${extractWall[*]}"
echo "ratio:      $(ratio "$(best "${extractWall[@]}")" "$(best "${copyWall[@]}")") wall, $(ratio "$(best "${extractCpu[@]}")" "$(best "${copyCpu[@]}")") cpu (target at most 1.10)"
