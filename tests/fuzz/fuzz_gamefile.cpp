// Feeds arbitrary bytes as a saved game: the engine loads it and moves once.
// A refused file leaves the new game as it was; a loaded one holds only
// legal moves that lead to the position shown.
#include "engine_run.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::ReadAndMove("fuzz_gamefile", "load", "fuzz.gam", data, size);
  return 0;
}
