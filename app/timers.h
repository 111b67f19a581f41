// The main window's timers and the rules of the tick that need no window (pure).
#pragma once

enum MainTimer {
  TIMER_TICK = 1,
  TIMER_FIRST_MAIL_CHECK = 3,
  TIMER_MAIL_CHECK = 4,
  TIMER_AUTO_CLEAN = 5,
};

constexpr unsigned kTickPeriodMs = 250;
constexpr unsigned kFirstMailCheckDelayMs = 5000;
constexpr int kMaxPitch = 19;            // mail check every 1..20 minutes
constexpr int kMaxAutoCleanMinute = 59;  // cleaning every 1..60 minutes

// A period stored as a list index (0 = one minute). An index outside the
// sheet's list is taken as its nearest end, so that a hand-edited profile can
// neither make a timer fire every few milliseconds nor overflow.
inline unsigned MinuteTimerPeriodMs(int index, int maxIndex) {
  if (index < 0) index = 0;
  if (index > maxIndex) index = maxIndex;
  return unsigned(index + 1) * 60000u;
}

// The armed shutdown time against the clock of the last panel refresh.
inline bool ShutdownDue(bool armed, int hour, int minute, int clockHourMinute) {
  return armed && minute + hour * 100 == clockHourMinute;
}
