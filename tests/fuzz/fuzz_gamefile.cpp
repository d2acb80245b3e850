// Feeds arbitrary bytes as a saved game: the engine loads it and moves once.
// A refused file leaves the new game as it was; a loaded one holds only
// legal moves that lead to the position shown.
#include "engine_run.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::StartEngine("fuzz_gamefile");
  fuzz::ClearFolder();
  fuzz::WriteFolderFile("fuzz.gam", data, size);
  const std::string input(reinterpret_cast<const char*>(data), size);
  fuzz::RunCommands("xboard\nprotover 2\nforce\nload fuzz.gam\n");
  fuzz::CheckGame(input, true);
  fuzz::RunCommands("xboard\nprotover 2\nforce\nload fuzz.gam\ngo\n");
  fuzz::CheckGame(input, true);
  return 0;
}
