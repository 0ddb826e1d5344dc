#include "shell/debug_state.h"

DebugStateData& DebugState() {
  static DebugStateData state;
  return state;
}
