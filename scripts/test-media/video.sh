# Sourced by make-test-media.sh with OUT set: two short 320x240 videos with a
# sound track, MJPEG in AVI, which the media stack plays without extra codec
# packages. The second differs in picture and tone so a test can tell them
# apart when one replaces the other.
tovix_make_video() {
  local out="$1" pattern="$2" tone="$3"
  [ -s "$out" ] && return 0
  ffmpeg -nostdin -loglevel error -y \
    -f lavfi -i "$pattern=size=320x240:rate=25:duration=2" \
    -f lavfi -i "sine=frequency=$tone:duration=2:sample_rate=44100" \
    -c:v mjpeg -q:v 3 -pix_fmt yuvj420p -c:a pcm_s16le -shortest "$out.tmp.avi"
  mv "$out.tmp.avi" "$out"
}
tovix_make_video "$OUT/video320.avi" testsrc 440
tovix_make_video "$OUT/video320b.avi" smptebars 660
