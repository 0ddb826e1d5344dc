#include "mpint/smallint.h"
#include "shell/clock.h"
#include "shell/main_menu.h"

int main() {
  InitPreciseTimer();
  InitSmallIntConstants();
  return MainMenu();
}
