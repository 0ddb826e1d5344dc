// The command line: help, version, and the computations of the menu without
// questions, for scripts and benchmarks.
#pragma once

// Runs what the arguments ask (argc > 1); returns the exit status: 0 when
// the result is written and its check did not fail, 1 on a failure, 2 on a
// wrong command line.
int CommandLine(int argc, char** argv);
