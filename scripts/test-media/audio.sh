# Short audio files for the media engine and playlist tests, sourced by
# make-test-media.sh with OUT set. Each file is written beside its final name
# and moved into place, so an interrupted run never leaves a half file that a
# later run would keep.

# media_audio_make NAME COMMAND...: runs COMMAND with the temporary path as its
# last argument, unless OUT/NAME exists.
media_audio_make() {
  local name="$1"; shift
  [ -e "$OUT/$name" ] && return 0
  local tmp="$OUT/.tmp.$$.${name##*.}"
  "$@" "$tmp"
  mv -f "$tmp" "$OUT/$name"
}

# A sine tone of SECONDS at HERTZ, 44.1 kHz stereo.
media_audio_tone() { sox -V1 -n -r 44100 -c 2 -b 16 "$3" synth "$1" sine "$2"; }
media_audio_mp3() { lame --quiet "$1" "$2"; }
media_audio_text() { printf 'This is a text file, not sound.\r\n' >"$1"; }

media_audio_make tone_1500ms.wav media_audio_tone 1.5 440
media_audio_make tone_600ms.wav media_audio_tone 0.6 440
media_audio_make tone_1500ms.ogg media_audio_tone 1.5 440
media_audio_make tone_1500ms.mp3 media_audio_mp3 "$OUT/tone_1500ms.wav"
# One-second tracks for the playlist's automatic advance.
media_audio_make one.wav media_audio_tone 1 330
media_audio_make two.wav media_audio_tone 1 440
media_audio_make three.wav media_audio_tone 1 550
media_audio_make not_audio.mp3 media_audio_text
