# Measuring helpers of the benchmark scripts, which source this file (bash). Every
# command runs ROUNDS times (default 3, rounds alternating between the commands of a
# script); a label's result is its best wall-clock time, its best processor time (user
# plus system, which other load on a shared machine disturbs less), its largest peak
# memory (maximum resident set, from /usr/bin/time; "-" without it: Debian package
# `time`) and the most bytes it wrote to storage (the block writes that /usr/bin/time
# reports for the command and its children; none on a memory file system). Results are
# kept under $work/.results.

rounds=${ROUNDS:-3}

# new_work_folder PARENT: a new folder inside PARENT that is removed on exit, together
# with everything the benchmark wrote into it; PARENT itself stays.
new_work_folder() {
    mkdir -p "$1"
    work=$(mktemp -d "$1/quillon-bench.XXXXXX")
    trap 'rm -rf "$work"' EXIT
    mkdir "$work/.results"
}

# measure LABEL COMMAND...: runs the command once, its standard output thrown away, with
# the dirty pages of earlier runs written back first (so it does not pay for them), and
# adds "wall cpu peak written" to LABEL's results. Times come from the shell, to the
# millisecond.
measure() {
    local label=$1 times wall user system peak=- written=- TIMEFORMAT='%3R %3U %3S'
    shift
    sync
    if [ -x /usr/bin/time ]; then
        times=$( { time /usr/bin/time -f '%M %O' -o "$work/.results/peak" "$@" > /dev/null 2>&3; } 3>&2 2>&1 )
        read -r peak written < <(tail -n 1 "$work/.results/peak")
        written=$((written * 512))
    else
        times=$( { time "$@" > /dev/null 2>&3; } 3>&2 2>&1 )
    fi
    read -r wall user system <<< "$times"
    echo "$wall $(awk -v u="$user" -v s="$system" 'BEGIN { print u + s }') $peak $written" >> "$work/.results/$label"
}

# best LABEL COLUMN: the least wall (1) or cpu (2) seconds of LABEL's rounds.
best() { awk -v c="$2" 'NR == 1 || $c < m { m = $c } END { printf "%.3f", m }' "$work/.results/$1"; }
# peak LABEL: the largest peak memory of LABEL's rounds, in KiB.
peak() { awk '$3 == "-" { print "-"; exit } $3 > m { m = $3 } END { if (m != "") print m }' "$work/.results/$1"; }
# written LABEL: the most bytes that LABEL's rounds wrote to storage.
written() { awk '$4 == "-" { print "-"; exit } $4 > m { m = $4 } END { if (m != "") printf "%d", m }' "$work/.results/$1"; }
walls() { cut -d' ' -f1 "$work/.results/$1" | tr '\n' ' '; }

# report LABEL: one line of LABEL's results.
report() {
    printf '%-26s %8s s wall %8s s cpu %10s KiB peak   rounds: %s\n' \
        "$1" "$(best "$1" 1)" "$(best "$1" 2)" "$(peak "$1")" "$(walls "$1")"
}

quotient() { awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.2f", a / b; else print "-" }'; }

# compare TEXT LABEL REFERENCE TARGET: LABEL's best times as a multiple of REFERENCE's.
compare() {
    printf '%-34s %5s wall %5s cpu   (%s)\n' "$1" "$(quotient "$(best "$2" 1)" "$(best "$3" 1)")" \
        "$(quotient "$(best "$2" 2)" "$(best "$3" 2)")" "$4"
}

# compare_peaks TEXT SMALL LARGE: the peak memory of LABEL LARGE (the full image) beside
# that of SMALL (a small image); flat when the two are about equal.
compare_peaks() {
    local small large
    small=$(peak "$2") large=$(peak "$3")
    [ "$small" = - ] && { echo "$1: needs /usr/bin/time"; return; }
    printf '%-34s %5s       (%s KiB with the small image, %s KiB with the full one; target flat, at most 1.10)\n' \
        "$1" "$(quotient "$large" "$small")" "$small" "$large"
}
