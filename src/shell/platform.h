// What the program asks of the operating system beyond the C++ library: a
// terminal test, the machine's memory, its own directory and a lock on the
// working directory.
#pragma once

#include <string>

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
