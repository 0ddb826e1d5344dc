// The main menu and the decompression menu.
#pragma once

// Prints the banner, resumes or asks the action, runs it; returns the exit status.
int MainMenu();
void DecompressMenu();
