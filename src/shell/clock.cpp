#include "shell/clock.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>

namespace {

struct ClockState {
  std::chrono::steady_clock::time_point origin = std::chrono::steady_clock::now();
  double accumulated[kTimerCount] = {};
  double started[kTimerCount] = {};
};

ClockState& Clocks() {
  static ClockState state;
  return state;
}

}  // namespace

double GetSeconds() {
  auto elapsed = std::chrono::steady_clock::now() - Clocks().origin;
  auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count();
  return static_cast<double>(ms) * 0.001;
}

void InitPreciseTimer() { Clocks(); }

double GetPreciseSeconds() {
  auto elapsed = std::chrono::steady_clock::now() - Clocks().origin;
  return std::chrono::duration<double>(elapsed).count();
}

void ResetTimer(int slot) { Clocks().accumulated[slot] = 0; }
void StartTimer(int slot) { Clocks().started[slot] = GetSeconds(); }
void StopTimer(int slot) { Clocks().accumulated[slot] += GetSeconds() - Clocks().started[slot]; }
double TimerValue(int slot) { return Clocks().accumulated[slot]; }

void PrintTimer(int slot) {
  std::printf("Timer %ld : %lf\n", static_cast<long>(slot), Clocks().accumulated[slot]);
}

void GetTimeString(char* buffer) {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  // The ctime layout, e.g. "Sun Dec  6 07:10:47 2026\n".
  if (std::strftime(buffer, kTimeStringSize, "%a %b %e %H:%M:%S %Y\n", &local) == 0)
    std::strcpy(buffer, "(unknown time)\n");
}
