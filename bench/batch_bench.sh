#!/usr/bin/env bash
# Batch conversion benchmark: GAMES games (default 10) of MB megabytes each (default 50;
# build/bench/make_disc_image, each with a disc ID of its own) converted by one
# `quillon-cli convert FOLDER --output DIR` (with its default --jobs) beside a shell loop
# of single conversions, one game after the other, at level 9 and at level 0; best of
# ROUNDS rounds (default 3). Targets: at level 0 the batch at most 1.05 x the loop; at
# level 9 the gain of parallel jobs beside the tool's own threads.
# Run by hand, never as a test: it writes about three times GAMES x MB megabytes into a
# new folder inside WORK (default ${TMPDIR:-/tmp}), removed at the end.
#
#   bench/batch_bench.sh [BUILD_FOLDER [GAMES [MB [WORK]]]]
set -eu
build=$(cd "${1:-build}" && pwd)
games=${2:-10}
megabytes=${3:-50}
source "$(dirname "$0")/bench_lib.sh"
new_work_folder "${4:-${TMPDIR:-/tmp}}"
cd "$work"
mkdir -p program/Files library
cp "$build/Files/popstation" program/Files/

cat /usr/bin/* 2>/dev/null | head -c $((4 * 1024 * 1024)) > code || true
cat /usr/share/common-licenses/* /usr/share/doc/*/copyright 2>/dev/null | head -c $((4 * 1024 * 1024)) > text || true
"$build/bench/make_disc_image" game.bin "$megabytes" code text
# Each game its own disc ID (SLUS_100.00, SLUS_100.01, ...), so each has a folder of its own.
at=$(grep -obUa 'SLUS_012.34' game.bin | head -n 1 | cut -d: -f1)
for ((i = 0; i < games; i++)); do
    cp game.bin "library/game$i.bin"
    printf 'SLUS_1%02d.%02d' $((i / 100)) $((i % 100)) | dd of="library/game$i.bin" bs=1 seek="$at" conv=notrunc status=none
done
rm -f game.bin code text
cat library/* > /dev/null  # every run reads from the page cache

cli=("$build/quillon-cli" --program-folder "$work/program" convert)
# One conversion after the other, as a shell loop runs them: LEVEL, then the command.
loop=('for game in library/*.bin; do
    "${@:2}" "$game" --output loop --compression "$1" > /dev/null || exit 1
    mv loop/EBOOT.PBP "loop/$(basename "$game").PBP"
done')
for ((round = 0; round < rounds; round++)); do
    for level in 9 0; do
        rm -rf batch loop && mkdir loop
        measure "loop-level-$level" bash -c "${loop[0]}" loop "$level" "${cli[@]}"
        measure "batch-level-$level" "${cli[@]}" library --output batch --compression "$level" --redo
        test "$(ls batch | grep -c SLUS)" -eq "$games"
    done
done
# The jobs beside the tool's own threads: one job, and one per core.
cores=$(nproc)
for jobs in 1 "$cores"; do
    rm -rf batch
    measure "batch-level-9-jobs-$jobs" "${cli[@]}" library --output batch --compression 9 --jobs "$jobs"
done

echo "$games games of $megabytes MB; best of $rounds rounds; $(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg)"
for label in loop-level-9 batch-level-9 batch-level-9-jobs-1 "batch-level-9-jobs-$cores" loop-level-0 batch-level-0; do
    report "$label"
done
compare "batch / loop, level 0" batch-level-0 loop-level-0 "target at most 1.05"
compare "batch / loop, level 9" batch-level-9 loop-level-9 "what parallel jobs gain beside the tool's threads"
compare "batch --jobs $cores / --jobs 1, level 9" "batch-level-9-jobs-$cores" batch-level-9-jobs-1 "the jobs alone"
