// Feeds arbitrary bytes as a position file: the engine reads it and moves
// once from it. The position is valid afterwards and the record legal.
#include "engine_run.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::StartEngine("fuzz_posfile");
  fuzz::ClearFolder();
  fuzz::WriteFolderFile("fuzz.pos", data, size);
  const std::string input(reinterpret_cast<const char*>(data), size);
  fuzz::RunCommands("xboard\nprotover 2\nforce\npget fuzz.pos\n");
  fuzz::CheckGame(input, true);
  fuzz::RunCommands("xboard\nprotover 2\nforce\npget fuzz.pos\ngo\n");
  fuzz::CheckGame(input, true);
  return 0;
}
