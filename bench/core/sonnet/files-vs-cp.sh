#!/usr/bin/env bash
# Reading and writing a large project, next to cp and wc -l on the same file, in one run:
# rounds in turn, medians, the ratios, the peak memory of reading, and the load before and after.
# rewrite syncs its output to the disk before it replaces the target, so it is also set beside a
# copy that syncs (dd conv=fsync).
# Usage: bench/core/sonnet/files-vs-cp.sh [BUILD_DIR] [ROUNDS] [WORK_DIR]
# WORK_DIR keeps the generated 100 MB project (200,000 polygons) between runs.
set -euo pipefail
build_dir=${1:-${TORVANE_BUILD_DIR:-build}}
rounds=${2:-9}
work=${3:-$(mktemp -d)}
bench=$build_dir/bench/core/sonnet/bench_sonnet
cli=$build_dir/bin/torvane-cli
project=$work/large.son
[ -f "$project" ] || "$bench" generate "$project" >/dev/null
bytes=$(stat -c %s "$project")

now() { date +%s%N; }
seconds() { awk -v ns="$1" 'BEGIN { printf "%.4f", ns / 1e9 }'; }
# Wall time of a command, in seconds. What earlier steps left for the disk is written out
# first, so that no step pays for another's writeback.
timed() {
    local start
    sync
    start=$(now)
    "$@" >/dev/null
    seconds $(($(now) - start))
}
# The seconds that bench_sonnet reports for its own timed part.
inProcess() { sync; "$bench" "$@" | awk '{ for (i = 1; i < NF; ++i) if ($(i + 1) == "s:") print $i }'; }
median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

echo "load before: $(cut -d' ' -f1-3 /proc/loadavg)"
declare -A samples
for ((round = 0; round < rounds; ++round)); do
    samples[cp]+="$(timed cp "$project" "$work/copy.son") "
    samples[cpsync]+="$(timed dd if="$project" of="$work/synced.son" bs=4M conv=fsync status=none) "
    samples[wc]+="$(timed wc -l "$project") "
    samples[read]+="$(inProcess read "$project") "
    samples[write]+="$(inProcess write "$project" "$work/written.son") "
    samples[rewrite]+="$(timed "$cli" rewrite "$project" "$work/rewritten.son") "
done
echo "load after:  $(cut -d' ' -f1-3 /proc/loadavg)"
cmp -s "$project" "$work/rewritten.son" || { echo "the rewritten file differs" >&2; exit 1; }
peak_kb=$(/usr/bin/time -f %M "$bench" read "$project" 2>&1 >/dev/null | tail -1)

declare -A medians
for step in cp cpsync wc read write rewrite; do
    medians[$step]=$(tr ' ' '\n' <<<"${samples[$step]}" | grep . | median)
done
awk -v mb="$bytes" -v rounds="$rounds" -v cp="${medians[cp]}" -v wc="${medians[wc]}" \
    -v cps="${medians[cpsync]}" \
    -v rd="${medians[read]}" -v wr="${medians[write]}" -v rw="${medians[rewrite]}" \
    -v peak="$peak_kb" 'BEGIN {
    mb /= 1e6
    printf "file: %.1f MB; medians of %d rounds\n", mb, rounds
    printf "%-32s %8.3f s %8.0f MB/s\n", "cp", cp, mb / cp
    printf "%-32s %8.3f s %8.0f MB/s\n", "copy and sync (dd conv=fsync)", cps, mb / cps
    printf "%-32s %8.3f s %8.0f MB/s\n", "wc -l", wc, mb / wc
    printf "%-32s %8.3f s %8.0f MB/s  %5.1fx wc -l\n", "read (in-process)", rd, mb / rd, rd / wc
    printf "%-32s %8.3f s %8.0f MB/s  %5.1fx cp\n", "write (in-process)", wr, mb / wr, wr / cp
    printf "%-32s %8.3f s %8.0f MB/s  %5.1fx cp, %.1fx copy and sync\n", "torvane-cli rewrite (end to end)", rw, mb / rw, rw / cp, rw / cps
    printf "peak memory of reading: %.1f MB, %.2fx the file\n", peak * 1024 / 1e6, peak * 1024 / 1e6 / mb
}'
