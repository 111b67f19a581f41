#!/bin/bash
# The archiver libraries against the real tools on one corpus, in one run:
# sizes and times side by side. Sourced by bench/run.sh (WINE64, B, BUILD set).
# The corpus: this project's sources as one tar, and a mix of text and
# already-compressed data (ARCHIVE_MIX_MB, 100 MB).
set -euo pipefail
MIX_MB="${ARCHIVE_MIX_MB:-100}"
W="$BUILD/archive-bench"
rm -rf "$W" && mkdir -p "$W/src" "$W/mix"
tar -C "$ROOT" --exclude=./build --exclude=./.git -cf "$W/src/sources.tar" .
# Text: the sources with line numbers, repeated (compressible as real text
# is); the rest random bytes through gzip (incompressible, as media are).
text_bytes=$((MIX_MB * 1048576 * 6 / 10))
(cd "$ROOT" && git ls-files | grep -E '\.(cpp|h|md|html|sh|txt|rc)$' | xargs cat | nl) > "$W/one.txt"
: > "$W/mix/text.txt"
while [ "$(stat -c %s "$W/mix/text.txt")" -lt "$text_bytes" ]; do cat "$W/one.txt" >> "$W/mix/text.txt"; done
truncate -s "$text_bytes" "$W/mix/text.txt"
rm -f "$W/one.txt"
head -c $((MIX_MB * 1048576 * 4 / 10)) /dev/urandom | gzip -1 > "$W/mix/packed.gz"

win() { winepath -w "$1" 2>/dev/null; }
# Seconds of a native command.
timed() { local s e; s=$(date +%s.%N); "$@" >/dev/null 2>&1; e=$(date +%s.%N); awk -v s="$s" -v e="$e" 'BEGIN{printf "%.3f", e-s}'; }
# Runs our library through the bench driver; prints "seconds=.. result=.. peak_mb=..".
ours() { (cd "$B" && "$WINE64" bench/archive_bench.exe "$@"); }
field() { sed -n "s/.*$1=\([^ ]*\).*/\1/p"; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN{ printf "%.3f", a / b }'; }
size() { stat -c %s "$1"; }

for set in src mix; do
  dir="$W/$set"
  files=$(cd "$dir" && ls)
  printf '%s\n' $files | sed 's/.*/"&"/' > "$B/res"
  echo "-- corpus $set: $(du -sh "$dir" | cut -f1)"
  t_zip=$(cd "$dir" && timed zip -6 -q -r "$W/$set-zip6.zip" $files)
  out=$(ours ZIP32J.DLL Zip "-r \"$(win "$W")\\$set-ours.zip\" \"$(win "$dir")\\\" @res")
  t_ours=$(echo "$out" | field seconds)
  s_zip=$(size "$W/$set-zip6.zip"); s_ours=$(size "$W/$set-ours.zip")
  echo "ZIP size  ours/zip -6: $s_ours / $s_zip = $(ratio "$s_ours" "$s_zip") (target <= 1.01)"
  echo "ZIP time  ours/zip -6: $t_ours / $t_zip s = $(ratio "$t_ours" "$t_zip") (target <= 1.5)"
  (cd "$dir" && cat $files | gzip -6 > "$W/$set.gz")
  out=$(ours unlha32.dll Unlha "a \"$(win "$W")\\$set-ours.lzh\" \"$(win "$dir")\\\" @res")
  s_gz=$(size "$W/$set.gz"); s_lzh=$(size "$W/$set-ours.lzh")
  echo "LZH size  ours/gzip -6: $s_lzh / $s_gz = $(ratio "$s_lzh" "$s_gz") (target <= 1.10)"
  # Extraction speed, the same archive both ways.
  rm -rf "$W/x" && mkdir -p "$W/x"
  t_unzip=$(cd "$W/x" && timed unzip -q -o "$W/$set-zip6.zip")
  out=$(ours unzip32.dll UnZip "\"$(win "$W")\\$set-zip6.zip\" \"$(win "$W")\\x-ours-zip\\\"")
  t_ours=$(echo "$out" | field seconds)
  echo "unzip time ours/unzip: $t_ours / $t_unzip s = $(ratio "$t_ours" "$t_unzip") (target <= 2)"
  rm -rf "$W/x" && mkdir -p "$W/x"
  t_lhasa=$(cd "$W/x" && timed lhasa xq "$W/$set-ours.lzh")
  out=$(ours unlha32.dll Unlha "x \"$(win "$W")\\$set-ours.lzh\" \"$(win "$W")\\x-ours-lzh\\\"")
  t_ours=$(echo "$out" | field seconds)
  echo "LZH extract ours/lhasa: $t_ours / $t_lhasa s = $(ratio "$t_ours" "$t_lhasa") (target <= 2)"
  rm -rf "$W/x" "$W/x-ours-zip" "$W/x-ours-lzh"
done

# A ZIP64 archive made by zip from a sparse file just over 4 GiB.
echo "-- ZIP64: a 4.1 GiB file"
mkdir -p "$W/big" && truncate -s 4400000000 "$W/big/huge.bin"
printf 'marker at the end' | dd of="$W/big/huge.bin" bs=1 seek=4399999000 conv=notrunc status=none
(cd "$W/big" && zip -q -1 ../big.zip huge.bin)
out=$(ours unzip32.dll UnZip "\"$(win "$W")\\big.zip\" \"$(win "$W")\\big-out\\\"")
echo "extract: $out"
if cmp -s "$W/big/huge.bin" "$W/big-out/huge.bin"; then echo "ZIP64 4.1 GiB: byte-exact"; else echo "ZIP64 4.1 GiB: DIFFERS"; fi
echo "ZIP64 peak memory: $(echo "$out" | field peak_mb) MB (target < 64)"
rm -rf "$W/big" "$W/big-out" "$W/big.zip"
