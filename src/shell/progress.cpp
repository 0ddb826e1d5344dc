#include "shell/progress.h"

#include <cstdarg>
#include <cstdio>
#include <string>

#include "shell/clock.h"
#include "shell/platform.h"

namespace {

// Redraws are spaced so that a fast loop does not flood the terminal.
constexpr double kRedrawSeconds = 0.25;

struct LiveLine {
  int terminal = -1;  // unknown until the first use
  bool shown = false;
  bool midText = false;  // a text line is under way: drawing would erase it
  std::string phase;
  double phaseStart = 0, lastDraw = -1, done = 0;
};

LiveLine& Live() {
  static LiveLine line;
  if (line.terminal < 0) line.terminal = StdoutIsTerminal() ? 1 : 0;
  return line;
}

std::string Clock(double seconds) {
  const long s = static_cast<long>(seconds + 0.5);
  char text[32];
  if (s >= 3600)
    std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", s / 3600, s / 60 % 60, s % 60);
  else
    std::snprintf(text, sizeof text, "%ld:%02ld", s / 60, s % 60);
  return text;
}

void Clear(LiveLine& line) {
  if (!line.shown) return;
  std::fputs("\r\x1b[K", stdout);
  line.shown = false;
}

void Draw(LiveLine& line, double now) {
  const double elapsed = now - line.phaseStart;
  std::string text = "\r" + line.phase;
  char share[32];
  std::snprintf(share, sizeof share, " %5.1f%%", 100 * line.done);
  text += share;
  text += "  elapsed " + Clock(elapsed);
  // The time left is a straight-line guess, shown once there is something to go on.
  if (line.done > 0.01 && line.done < 1)
    text += "  left ~" + Clock(elapsed * (1 - line.done) / line.done);
  text += "\x1b[K";
  std::fputs(text.c_str(), stdout);
  std::fflush(stdout);
  line.shown = true;
  line.lastDraw = now;
}

}  // namespace

void ProgressPrint(const char* format, ...) {
  LiveLine& line = Live();
  const bool redraw = line.shown;
  Clear(line);
  va_list args, copy;
  va_start(args, format);
  va_copy(copy, args);
  const int n = std::vsnprintf(nullptr, 0, format, copy);
  va_end(copy);
  std::string text(n > 0 ? n : 0, '\0');
  if (n > 0) std::vsnprintf(text.data(), text.size() + 1, format, args);
  va_end(args);
  std::fputs(text.c_str(), stdout);
  if (!text.empty()) line.midText = text.back() != '\n';
  // The live line comes back below a finished line of text.
  if (redraw && !line.midText) Draw(line, GetSeconds());
  std::fflush(stdout);
}

void ProgressUpdate(const char* phase, double done) {
  LiveLine& line = Live();
  if (line.terminal == 0) return;
  const double now = GetSeconds();
  if (line.phase != phase) {
    line.phase = phase;
    line.phaseStart = now;
    line.lastDraw = -1;
  }
  line.done = done < 0 ? 0 : done > 1 ? 1 : done;
  if (!line.midText && (line.lastDraw < 0 || now - line.lastDraw >= kRedrawSeconds))
    Draw(line, now);
}

void ProgressEnd() {
  LiveLine& line = Live();
  Clear(line);
  line.phase.clear();
  std::fflush(stdout);
}
