#include "media/playlist_rules.h"

#include <cstdlib>
#include <cstring>
#include <ctime>

namespace {
const char* const kMusicExtensions[] = {".mp3", ".MP3", ".wma", ".WMA", ".ogg", ".OGG",
                                        ".ape", ".APE", ".mpc", ".MPC", ".aac", ".AAC",
                                        ".mid", ".MID", ".wav", ".WAV"};
}  // namespace

bool IsMusicFile(const char* path) {
  size_t length = std::strlen(path);
  if (length < 4) return false;
  for (const char* extension : kMusicExtensions)
    if (std::strcmp(path + length - 4, extension) == 0) return true;
  return false;
}

int ForwardIndex(int current, int count) {
  int index = current + 1;
  return index >= count || index < 0 ? 0 : index;
}

int BackIndex(int current, int count) {
  int index = current - 1;
  return index < 0 || index >= count ? count - 1 : index;
}

int RandomPickAt(int n, unsigned seconds) {
  std::srand(seconds);
  int r = std::rand() & 0x7FFF;  // the classic 0..32767 on every runtime
  return n < 0 ? 0 : r % (n + 1);
}

int RandomPick(int n) { return RandomPickAt(n, unsigned(std::time(nullptr))); }

int SliderPercent(int position, int duration) {
  if (duration <= 0) return 0;
  long long percent = (long long)position * 100 / duration;
  return percent < 0 ? 0 : percent > 100 ? 100 : int(percent);
}
