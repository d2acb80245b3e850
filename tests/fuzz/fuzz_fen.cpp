// Feeds arbitrary text to the FEN reader. A refused FEN leaves the position
// as it was; an accepted one passes the position validator and reads back
// to itself.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/lifecycle.h"
#include "core/makemove.h"
#include "core/movetables.h"
#include "fuzz_common.h"
#include "ui/position.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static bool ready = false;
  if (!ready) {
    InitializeTables();
    ready = true;
  }
  NewGame(2);
  const std::string text(reinterpret_cast<const char*>(data), size);
  const std::string before = fuzz::Fen();
  if (FEN_to_pos(text.c_str()) != 0) {
    if (fuzz::Fen() != before) fuzz::Fail("fuzz_fen", "refused FEN changed the position", text);
    return 0;
  }
  const char* why = nullptr;
  if (!PositionIsConsistent(&why))
    fuzz::Fail("fuzz_fen", why != nullptr ? why : "inconsistent position", text);
  const std::string read = fuzz::Fen();
  if (FEN_to_pos(read.c_str()) != 0) fuzz::Fail("fuzz_fen", "own FEN refused", read);
  if (fuzz::Fen() != read)
    fuzz::Fail("fuzz_fen", "FEN does not read back to itself", read + " / " + fuzz::Fen());
  return 0;
}
