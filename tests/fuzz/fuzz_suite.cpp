// Feeds arbitrary bytes as the command file of a test run, with one
// position file beside it. The run's commands reach the command loop as
// typed input would; afterwards the position is valid and the record legal.
#include "engine_run.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::StartEngine("fuzz_suite");
  fuzz::ClearFolder();
  const std::string commands = fuzz::WithoutSlowCommands(data, size);
  fuzz::WriteFolderFile("cmds", commands.data(), commands.size());
  const char position[] = ";white mates\nKg1\nTh1\nka8\nba7\nbb7\nZW\n";
  fuzz::WriteFolderFile("a.pos", position, sizeof position - 1);
  fuzz::RunCommands("xboard\nprotover 2\nbatch cmds\n");
  fuzz::CheckGame(commands, commands.find("edit") == std::string::npos);
  return 0;
}
