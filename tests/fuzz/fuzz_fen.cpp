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
#include "ui/position.h"

namespace {

std::string Fen() {
  char buf[256];
  pos_to_FEN(buf, sizeof buf);
  return buf;
}

void Fail(const char* what, const std::string& detail) {
  fprintf(stderr, "fuzz_fen: %s: %s\n", what, detail.c_str());
  abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static bool ready = false;
  if (!ready) {
    InitializeTables();
    ready = true;
  }
  NewGame(2);
  const std::string text(reinterpret_cast<const char*>(data), size);
  const std::string before = Fen();
  if (FEN_to_pos(text.c_str()) != 0) {
    if (Fen() != before) Fail("refused FEN changed the position", text);
    return 0;
  }
  const char* why = nullptr;
  if (!PositionIsConsistent(&why)) Fail(why != nullptr ? why : "inconsistent position", text);
  const std::string read = Fen();
  if (FEN_to_pos(read.c_str()) != 0) Fail("own FEN refused", read);
  if (Fen() != read) Fail("FEN does not read back to itself", read + " / " + Fen());
  return 0;
}
