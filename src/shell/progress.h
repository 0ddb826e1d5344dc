// Progress of the computations. The drivers and the arithmetic report here and
// never print progress themselves: the console decides how to show it. The texts
// go to standard output as they are; a live line (phase, share done, elapsed and
// remaining time) may be drawn below them when standard output is a terminal.
#pragma once

// A progress text (a timing line, "Starting step", a dot), printed and flushed.
void ProgressPrint(const char* format, ...) __attribute__((format(printf, 1, 2)));
// The phase under way and the share of it that is done, 0 <= done <= 1.
void ProgressUpdate(const char* phase, double done);
// The phase is over: a live line is cleared.
void ProgressEnd();
