#!/bin/bash
# Makes resources/mail.mp3, the new-mail chime: two soft bell tones a fifth
# apart (E6 then B6), each with a quick attack and a long decay, then a short
# echo of the second. Needs sox and lame (Debian packages of the same names).
set -euo pipefail
cd "$(dirname "$0")/.."
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
bell() {  # frequency, length: the tone and a quiet overtone, each decaying
  local fade=(fade q 0.005 "$2" "$(echo "$2 - 0.01" | bc)")
  sox -n -r 44100 -c 1 "$tmp/a.wav" synth "$2" sine "$1" "${fade[@]}"
  sox -n -r 44100 -c 1 "$tmp/b.wav" synth "$2" sine "$(echo "$1 * 2.01" | bc)" "${fade[@]}" vol 0.3
  sox -m "$tmp/a.wav" "$tmp/b.wav" "$tmp/$1.wav" vol 0.6
}
bell 1318.5 0.45
bell 1975.5 0.7
sox -n -r 44100 -c 1 "$tmp/gap.wav" trim 0 0.12
sox "$tmp/1318.5.wav" "$tmp/gap.wav" "$tmp/1975.5.wav" "$tmp/chime.wav" \
  echo 0.8 0.6 180 0.25 gain -n -3
lame --quiet -b 96 -m m "$tmp/chime.wav" mail.mp3
