// The playlist's small rules: which files are music, where Forward and Back
// go, the random pick and the slider's percentage.
//
// Pure code: no <windows.h>.
#pragma once

// RepeatMode values.
enum RepeatModeValue { kRepeatAll = 0, kRepeatOne = 1, kRepeatRandom = 2 };

// The extension is one of the music extensions, all lower case or all upper
// case (".mp3", ".MP3"; not ".Mp3").
bool IsMusicFile(const char* path);

// The entry after `current` in a list of `count`, back to the top after the
// last (and from anywhere past the end).
int ForwardIndex(int current, int count);
// The entry before `current`, the last one before the top; from past the
// end of a shortened list also the last one.
int BackIndex(int current, int count);

// 0..n: the runtime's generator seeded with `seconds` and drawn once, so two
// picks within the same second agree.
int RandomPickAt(int n, unsigned seconds);
// The same with the current time in whole seconds.
int RandomPick(int n);

// The slider's place in percent for a position in a track; 0 for a track
// without a positive duration.
int SliderPercent(int position, int duration);
