// The engine's command loop inside a fuzz target: start-up as in the
// program (small hash tables, no keep-alive thread, files in a private
// folder that is also the working folder while commands run), input through
// a pipe as a GUI sends it, and searches of one ply (and the quiescence
// search). The end of input, where the program would leave, throws back to
// the target.
#pragma once

#include <dirent.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/lifecycle.h"
#include "book/book.h"
#include "book/learn.h"
#include "core/board.h"
#include "core/makemove.h"
#include "core/movetables.h"
#include "core/startup.h"
#include "fuzz_common.h"
#include "platform/platform.h"
#include "search/driver.h"
#include "search/hashtable.h"
#include "timectl/clock.h"
#include "timectl/timectl.h"
#include "ui/command.h"
#include "ui/config.h"
#include "ui/gamefile.h"
#include "ui/input.h"
#include "ui/levels.h"
#include "ui/output.h"
#include "ui/poll.h"

namespace fuzz {

struct EndOfInput {};

inline const char* target_name = "fuzz";

[[noreturn]] inline void Fail(const char* what, const std::string& input) {
  Fail(target_name, what, input);
}

inline std::string Folder() {
  return vornapath;
}

// Empties the private folder but for the settings, so that no file of one
// input is read by the next.
inline void ClearFolder() {
  DIR* dir = opendir(vornapath);
  if (dir == nullptr) return;
  while (dirent* e = readdir(dir)) {
    if (!strcmp(e->d_name, ".") || !strcmp(e->d_name, "..") || !strcmp(e->d_name, "vorna.ics"))
      continue;
    unlink((Folder() + e->d_name).c_str());
  }
  closedir(dir);
}

inline void WriteFolderFile(const char* name, const void* data, size_t size) {
  if (!WriteFile((Folder() + name).c_str(), data, size)) Fail("cannot write a file", name);
}

// "both" and "test" are kept from the engine: a whole game against itself,
// or the move generator's speed test, would take seconds for each input.
inline std::string WithoutSlowCommands(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  for (const char* slow : {"both", "test"})
    for (size_t at = text.find(slow); at != std::string::npos; at = text.find(slow, at))
      text[at] = '_';
  return text;
}

// Once per process: the engine's start-up.
inline void StartEngine(const char* target) {
  static bool started = false;
  if (started) return;
  started = true;
  target_name = target;
  Start(target);
  const char settings[] = "MAX_HASH: 4\nPONDER: ON\n";
  WriteFolderFile("vorna.ics", settings, sizeof settings - 1);
  ExitHook = [] { throw EndOfInput{}; };
  IterationCap = 1;
  ics = 1;
  InitTimeControl();
  ReadInitFile();
  if (hashflag && AllocateTTable() != 0) Fail("no hash tables", "");
  SearchInputPoll = PollSearchInput;
  OpenBook();
  InitLearn();
}

// Runs the command loop on text until "quit" or the end of the text, from
// a new game in the state the program starts in.
inline void RunCommands(const std::string& text) {
  ics = 1, beep = 0, post = 0, easy = 1, ics_level = 8;
  analyze = force = bothsides = quit = 0;
  SetLevel(ics_level);
  SetTimeControl();
  NewGame(1);
  int fds[2];
  if (PlatformOpenPipe(fds) != 0) Fail("no pipe", "");
  // A pipe holds 64 KB: more would block the writer, which is this thread.
  const long n = static_cast<long>(text.size() < 60000 ? text.size() : 60000);
  if (PlatformWrite(fds[1], text.data(), n) != n) Fail("cannot feed the pipe", "");
  PlatformClose(fds[1]);
  const int saved = InputFd;
  InputFd = fds[0];
  ResetInput();
  {
    // Files named in the input are the private folder's.
    InFolder in_folder;
    try {
      MainLoop();
    } catch (const EndOfInput&) {
    }
  }
  InputFd = saved;
  PlatformClose(fds[0]);
  ResetInput();
  OutFlush();
}

// The position passes the validator, the record is within its bounds, and
// each recorded move, taken back, gives the position recorded before it and
// is legal there (made again, it gives the position after it).
inline void CheckGame(const std::string& input, bool walk_record) {
  const char* why = nullptr;
  if (!PositionIsConsistent(&why)) Fail(why != nullptr ? why : "inconsistent position", input);
  if (GameCnt < 0 || GameCnt >= kGameSize) Fail("game record out of bounds", input);
  if (!walk_record) return;
  while (GameCnt > 0 && GameList[GameCnt].move != 0) {
    const GameEntry e = GameList[GameCnt];
    const uint32_t key = hashkey, bd = hashbd;
    if (!Undo()) Fail("a recorded move cannot be taken back", input);
    if (!PositionIsConsistent(&why)) Fail(why != nullptr ? why : "inconsistent after undo", input);
    if (hashkey != e.hashkey || hashbd != e.hashbd)
      Fail("taking back does not give the recorded position", input);
    if (!Redo()) {
      const int from = MoveFrom(e.move), to = MoveTo(e.move);
      char where[160];
      snprintf(where, sizeof where, "entry %d, %d->%d (%.7s) in %s", GameCnt + 1, from, to, e.san,
               Fen().c_str());
      Fail("a recorded move is not legal", where);
    }
    if (hashkey != key || hashbd != bd) Fail("a recorded move made again differs", input);
    Undo();
  }
}

// The bytes as the file name, read by command (a name follows it), then
// read again and moved on from; the game is checked after each.
inline void ReadAndMove(const char* target, const char* command, const char* name,
                        const uint8_t* data, size_t size) {
  StartEngine(target);
  ClearFolder();
  WriteFolderFile(name, data, size);
  const std::string input(reinterpret_cast<const char*>(data), size);
  const std::string read = std::string("xboard\nprotover 2\nforce\n") + command + " " + name + "\n";
  RunCommands(read);
  CheckGame(input, true);
  RunCommands(read + "go\n");
  CheckGame(input, true);
}

}  // namespace fuzz
