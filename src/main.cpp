#include "shell/clock.h"
#include "shell/main_menu.h"

int main() {
  InitPreciseTimer();
  return MainMenu();
}
