// Feeds arbitrary bytes to the command loop as a GUI's input. Afterwards the
// position is valid and the game record holds only legal moves that lead to
// it. After "edit" the board may differ from what the record led to, so the
// record is then only bounds-checked. "both" and "test" are not passed on:
// a whole game of the engine against itself, or the move generator's speed
// test, would take seconds for each input.
#include "engine_run.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::StartEngine();
  fuzz::ClearFolder();
  std::string text(reinterpret_cast<const char*>(data), size);
  for (const char* slow : {"both", "test"})
    for (size_t at = text.find(slow); at != std::string::npos; at = text.find(slow, at))
      text[at] = '_';
  fuzz::RunCommands(text);
  fuzz::CheckGame(text, text.find("edit") == std::string::npos);
  return 0;
}
