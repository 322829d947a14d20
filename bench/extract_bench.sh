#!/usr/bin/env bash
# ISO extraction beside plain copies: generates a container with MIB MiB of stored
# (level 0) image data (default 700, build/bench/make_bench_container), then times
# `quillon-cli extract` of it against copies of a file holding the same bytes, in the
# same folder: plain `cp` as users run it (coreutils 9 copies inside the kernel) and
# `cp --reflink=never` (which moves the bytes through its own memory). Each command
# starts with no dirty data pending (sync before); best of ROUNDS alternating rounds
# (default 3). Targets: the extraction at most 1.10 x cp, peak memory flat in the image
# size (compared with an extraction of 16 MiB).
# Run by hand, never as a test: it writes about four times MIB MiB into a new folder
# inside WORK (default ${TMPDIR:-/tmp}), removed at the end; WORK /dev/shm measures in
# memory.
#
#   bench/extract_bench.sh [BUILD_DIR [MIB [WORK]]]
set -euo pipefail

build=$(cd "${1:-build}" && pwd)
mib=${2:-700}
source "$(dirname "$0")/bench_lib.sh"
new_work_folder "${3:-${TMPDIR:-/tmp}}"

extract=("$build/quillon-cli" --program-folder "$work" extract)

# container NAME MIB: a container with MIB MiB of image data, and beside it NAME.bin with
# the image data alone: what the copies copy and the extraction must give.
container() {
    "$build/bench/make_bench_container" "$work/$1.pbp" "$2"
    local psar=$(( $(od -An -tu4 -j36 -N4 "$work/$1.pbp") & 0xFFFFFF ))
    tail -c +$((psar + 0x100000 + 1)) "$work/$1.pbp" | head -c $(($2 * 1048576)) > "$work/$1.bin"
}
container game "$mib"
container small 16
cat "$work/game.pbp" "$work/game.bin" > /dev/null  # into the page cache for every run

for ((round = 0; round < rounds; round++)); do
    rm -f "$work/copy.iso"
    measure cp cp "$work/game.bin" "$work/copy.iso"
    rm -f "$work/copy.iso"
    measure cp-reflink-never cp --reflink=never "$work/game.bin" "$work/copy.iso"
    rm -f "$work/copy.iso" "$work/game.iso"
    measure extract "${extract[@]}" "$work/game.pbp" "$work/game.iso"
done
cmp -s "$work/game.bin" "$work/game.iso" || { echo "extracted image differs from the stored bytes" >&2; exit 1; }
rm -f "$work/game.iso"
measure extract-16-mib "${extract[@]}" "$work/small.pbp" "$work/small.iso"

echo "image data: $mib MiB in $(df --output=fstype "$work" | tail -n 1); best of $rounds rounds;" \
    "$(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg)"
for label in cp cp-reflink-never extract extract-16-mib; do report "$label"; done
compare "extract / cp" extract cp "target at most 1.10"
compare "extract / cp --reflink=never" extract cp-reflink-never "user-space copy, for reference"
compare_peaks "peak memory extract, $mib / 16 MiB" extract-16-mib extract
