// Clocks and stopwatch slots.
#pragma once

// Stopwatch slots shared by the subsystems.
enum TimerSlot {
  kTimerDiskRead = 0,
  kTimerDiskWrite = 1,
  kTimerSeries = 2,
  kTimerSmallLevels = 3,
  kTimerCount = 4
};

// Elapsed wall time since start-up, in seconds with millisecond resolution.
double GetSeconds();

// The high-resolution clock, in seconds. InitPreciseTimer runs first in main.
void InitPreciseTimer();
double GetPreciseSeconds();

void ResetTimer(int slot);
void StartTimer(int slot);
void StopTimer(int slot);
void PrintTimer(int slot);
double TimerValue(int slot);

// Local date and time in the ctime form: 24 characters and a newline.
// The buffer must hold at least kTimeStringSize characters.
constexpr int kTimeStringSize = 64;
void GetTimeString(char* buffer);
