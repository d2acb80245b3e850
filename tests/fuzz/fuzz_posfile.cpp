// Feeds arbitrary bytes as a position file: the engine reads it and moves
// once from it. The position is valid afterwards and the record legal.
#include "engine_run.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::ReadAndMove("fuzz_posfile", "pget", "fuzz.pos", data, size);
  return 0;
}
