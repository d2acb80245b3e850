// Feeds arbitrary bytes to the book compiler as the text book vorna.bok,
// compiled by OpenBook when there is no binary book, with book sizes small
// enough that long probe chains and full chains are met.
//
// Checked: the compile ends in a new game (the start position, whatever
// game was on) that passes the validator; the book is open; the book files
// have the sizes of the size file, which holds them, and no temporary file
// is left; every move the book offers for the start position is legal
// there; following the book from the start, OpeningBook only ever puts a
// legal stored move first.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "book/book.h"
#include "fuzz_common.h"

namespace {

constexpr const char* kTarget = "fuzz_booktext";
constexpr size_t kMaxText = 64 << 10;  // each compile stays short
constexpr int32_t kLargeRecords = 1024;
constexpr int32_t kSmallRecords = 4096;
constexpr int kWalk = 24;  // half-moves followed through the book

void Check(bool ok, const char* what, const std::string& detail = "") {
  if (!ok) fuzz::Fail(kTarget, what, detail);
}

std::string ReadAll(const char* name) {
  std::string s;
  if (FILE* f = fopen(name, "rb")) {
    char buf[256];
    for (size_t n; (n = fread(buf, 1, sizeof buf, f)) > 0;) s.append(buf, n);
    fclose(f);
  }
  return s;
}

// The moves RepFromBook lists for the current position.
std::vector<uint16_t> Listed() {
  std::vector<uint16_t> moves;
  int index = 0, weight = 0;
  for (int k = 0; k < kLargeMoves; k++)
    if (const uint16_t m = RepFromBook(&index, &weight)) moves.push_back(m);
  return moves;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static bool ready = false;
  static std::string start_fen;
  if (!ready) fuzz::Start("booktext");
  const fuzz::InFolder here;
  if (!ready) {
    NewGame(2);
    start_fen = fuzz::Fen();
    ready = true;
  }
  namespace fs = std::filesystem;
  std::error_code ec;
  const std::string sizes =
      std::to_string(kLargeRecords) + " " + std::to_string(kSmallRecords) + "\n10 \n";

  // 1. A game in progress, and a text book in place of the binary one.
  fuzz::PlayLine(kTarget, "e2e4 e7e5 g1f3");
  CloseBook();
  fs::remove("vorna.hbk", ec);
  fs::remove("vorna.lbk", ec);
  fs::remove("open.log", ec);
  line_no = 0;  // counts the lines of a whole run
  Check(fuzz::WriteFile("vorna.sbk", sizes.data(), sizes.size()) &&
            fuzz::WriteFile("vorna.bok", data, std::min(size, kMaxText)),
        "cannot write the text book");

  // 2. The compile.
  OpenBook();
  Check(BookOn == 1, "no book after compiling a text book");
  Check(fuzz::Fen() == start_fen && GameCnt == 0, "the compile does not end in a new game",
        fuzz::Fen());
  fuzz::CheckConsistent(kTarget);
  Check(fs::file_size("vorna.hbk", ec) == uintmax_t{kSmallRecords} * kSmallRecord &&
            fs::file_size("vorna.lbk", ec) == uintmax_t{kLargeRecords} * kLargeRecord,
        "a book file does not have its size");
  Check(ReadAll("vorna.sbk") == sizes, "the size file does not hold the sizes",
        ReadAll("vorna.sbk"));
  for (const fs::directory_entry& e : fs::directory_iterator(".")) {
    const std::string name = e.path().filename().string();
    Check(name == "vorna.bok" || name == "vorna.sbk" || name == "vorna.hbk" ||
              name == "vorna.lbk" || name == "open.log",
          "a file is left behind", name);
  }

  // 3. The start position: every listed move and the choice are legal.
  for (const uint16_t m : Listed())
    Check(fuzz::IsLegal(white, m), "the book lists an illegal move", fuzz::MoveText(m));
  player = white;
  uint16_t choice = 0;
  GetFromBook(&choice);
  Check(choice == 0 || fuzz::IsLegal(white, choice), "the book chooses an illegal move",
        fuzz::MoveText(choice));

  // 4. Along the book, as the driver plays it.
  int side = white;
  for (int ply = 0; ply < kWalk; ply++) {
    const std::vector<uint16_t> listed = Listed();
    TrPnt[1] = TrPnt[2] = root = Tree;
    MoveList(side, 1);
    if (!OpeningBook()) break;
    Check(TrPnt[1] < TrPnt[2], "a book move found in an empty root list");
    const uint16_t head = ShortMove(TrPnt[1]->from, TrPnt[1]->to);
    Check(std::find(listed.begin(), listed.end(), head) != listed.end(),
          "OpeningBook puts a move first that the book does not hold", fuzz::MoveText(head));
    Check(fuzz::IsLegal(side, head), "OpeningBook puts an illegal move first",
          fuzz::MoveText(head) + " in " + fuzz::Fen());
    MakeMove(side, TrPnt[1]);
    fuzz::CheckConsistent(kTarget);
    side = player = 1 - side;
  }
  CloseBook();
  return 0;
}
