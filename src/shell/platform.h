// What the program asks of the operating system beyond the C++ library: a
// terminal test, the machine's memory, its own directory, a lock on the
// working directory, files flushed to the disk, and the stop signals.
#pragma once

#include <string>
#include <vector>

bool StdoutIsTerminal();

// Physical memory of the machine in bytes; 0 when unknown. The environment
// variable NUMORA_PHYSICAL_MEMORY (bytes) stands in for it, so that the
// memory warning and the command line's default FFT size can be tried on
// any machine.
double PhysicalMemoryBytes();

// The directory of the running program ("" when unknown). main records
// argv[0] first, for systems without /proc.
void SetProgramPath(const char* argv0);
std::string ProgramDirectory();

// The help file of the user constants: "help.txt" in the working directory,
// else beside the program; "" when neither exists.
std::string FindHelpFile();

// One computation per directory: takes the lock file "Numora.lock" of the
// working directory, or returns false with the process id of its holder.
// The system drops the lock when its holder ends, however it ends, so a
// crashed run never leaves it stuck; the file is removed at a normal exit.
bool LockWorkingDirectory(long* holder);

// Flushes a file's data (or a directory's entries) to the disk, so that a
// power cut cannot undo what was written before; false when it fails.
bool SyncFile(const std::string& name);
bool SyncDirectory(const std::string& name);

// Ctrl-C (SIGINT) and SIGTERM. By default a signal removes the scratch files
// of the run (those given to SetSignalCleanupFiles) and ends the process, as
// the signal would have. While a DeferredStop lives, the first signal only
// asks the computation to stop at its next save point (StopRequested), and a
// second one ends the process at once.
void InstallStopSignals();
// The scratch files a signal removes: a copy kept where a signal handler can
// read it.
void SetSignalCleanupFiles(const std::vector<std::string>& names);
bool StopRequested();
class DeferredStop {
 public:
  DeferredStop();
  ~DeferredStop();
  DeferredStop(const DeferredStop&) = delete;
  DeferredStop& operator=(const DeferredStop&) = delete;
};

// A fault injected at a named point of a run, for the tests: the environment
// variable NUMORA_TEST_FAULT = "ACTION:POINT[:N]" makes the N-th passage (1 by
// default) through TestFault(POINT) kill the process (ACTION "kill", as kill -9
// would), send it one Ctrl-C ("int") or two ("int2").
void TestFault(const char* point);
