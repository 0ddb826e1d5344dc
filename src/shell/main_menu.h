// The main menu and the decompression menu.
#pragma once

class ConstantComputation;

// Prints the banner, resumes or asks the action, runs it; returns the exit status.
int MainMenu();
void DecompressMenu();

// One computation per directory: refuses to go on when another Numora
// computes in the working directory.
void LockOrRefuse();
// Runs the computation; the exit status (a failed result check is a failure).
int RunComputation(ConstantComputation& computation);
