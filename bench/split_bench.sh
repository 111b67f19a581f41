#!/bin/bash
# Split and join of one file (SPLIT_BENCH_MB, 1024 MiB, of random bytes)
# through the real dialogs, each against cp of the same file in this same
# run: throughput side by side and as a ratio (target: at least 0.5 of cp's).
# Every figure is the median of SPLIT_BENCH_ROUNDS (3) rounds; each timed
# step starts after a sync, from a file in the page cache.
# Sourced by bench/run.sh (WINE64, B, BUILD set), or run on its own with
# those set.
set -euo pipefail
MB="${SPLIT_BENCH_MB:-1024}"
ROUNDS="${SPLIT_BENCH_ROUNDS:-3}"
PIECE="${SPLIT_BENCH_PIECE_BYTES:-100000000}"
W="$BUILD/split-bench"
rm -rf "$W" && mkdir -p "$W"
head -c $((MB * 1048576)) /dev/urandom > "$W/source.bin"
cat "$W/source.bin" > /dev/null
bytes=$(stat -c %s "$W/source.bin")

win() { winepath -w "$1" 2>/dev/null; }
field() { sed -n "s/.*$1=\([^ ]*\).*/\1/p"; }
median() { sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
mbps() { awk -v b="$bytes" -v s="$1" 'BEGIN { printf "%.0f", b / s / 1e6 }'; }

: > "$W/cp.times"; : > "$W/split.times"; : > "$W/join.times"; : > "$W/join_work.times"
for ((round = 1; round <= ROUNDS; round++)); do
  sync
  s=$(date +%s.%N); cp "$W/source.bin" "$W/copy.bin"; e=$(date +%s.%N)
  awk -v s="$s" -v e="$e" 'BEGIN { printf "%.3f\n", e - s }' >> "$W/cp.times"
  rm -f "$W/copy.bin"
  sync
  out=$(cd "$B" && "$WINE64" bench/split_bench.exe "$(win "$W/source.bin")" "$PIECE" "$(win "$W/joined.bin")")
  echo "$out" | field split_seconds >> "$W/split.times"
  echo "$out" | field join_seconds >> "$W/join.times"
  echo "$out" | field join_work_seconds >> "$W/join_work.times"
  if ! cmp -s "$W/source.bin" "$W/joined.bin"; then echo "round $round: joined file DIFFERS"; fi
  rm -f "$W/joined.bin"
done

t_cp=$(median < "$W/cp.times")
t_split=$(median < "$W/split.times")
t_join=$(median < "$W/join.times")
t_join_work=$(median < "$W/join_work.times")
echo "file: $bytes bytes, pieces of $PIECE bytes, median of $ROUNDS rounds"
echo "cp:    ${t_cp} s  $(mbps "$t_cp") MB/s"
echo "split: ${t_split} s  $(mbps "$t_split") MB/s"
echo "join:  ${t_join} s  $(mbps "$t_join") MB/s (with the dialog's 0.2 s start pause; ${t_join_work} s without)"
awk -v c="$t_cp" -v s="$t_split" -v j="$t_join" -v w="$t_join_work" 'BEGIN {
  printf "split / cp throughput: %.2f (target >= 0.5)\n", c / s
  printf "join  / cp throughput: %.2f (target >= 0.5; %.2f without the start pause)\n", c / j, c / w
}'
rm -rf "$W"
