// Feeds arbitrary bytes to the command loop as a GUI's input. Afterwards the
// position is valid and the game record holds only legal moves that lead to
// it. After "edit" the board may differ from what the record led to, so the
// record is then only bounds-checked.
#include "engine_run.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::StartEngine("fuzz_commands");
  fuzz::ClearFolder();
  const std::string text = fuzz::WithoutSlowCommands(data, size);
  fuzz::RunCommands(text);
  fuzz::CheckGame(text, text.find("edit") == std::string::npos);
  return 0;
}
