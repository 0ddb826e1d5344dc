#include "shell/main_menu.h"

int MainMenu() { return 0; }
void DecompressMenu() {}
