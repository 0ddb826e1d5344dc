#include <new>

#include "mpint/smallint.h"
#include "shell/clock.h"
#include "shell/command_line.h"
#include "shell/main_menu.h"
#include "shell/memory.h"
#include "shell/platform.h"

int main(int argc, char** argv) {
  InitPreciseTimer();
  SetProgramPath(argc > 0 ? argv[0] : nullptr);
  // Storage that is not counted (vectors, texts) fails with the same clear message.
  std::set_new_handler([] { OutOfMemory(0); });
  InitSmallIntConstants();
  if (argc > 1) return CommandLine(argc, argv);
  return MainMenu();
}
