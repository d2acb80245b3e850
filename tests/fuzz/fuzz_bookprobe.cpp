// Feeds arbitrary bytes to the book probe as the binary book files, then
// asks the book from one of a few positions as the search driver does.
//
// Input: byte 0 picks the position (bits 0-2), the small book (bit 3: the
// size file puts lbk_hbk at 0, so every position after a move is looked up
// in vorna.hbk) and the shape of the files (bits 4-5: 0 sizes that match
// the size file, 1 vorna.hbk of its own length, 2 vorna.lbk one byte short,
// 3 the size file's text taken from the input); byte 1 is the number of
// large-book records less one. In shape 3 byte 2 is the length of the size
// file's text, which follows. The rest fills vorna.lbk (zeros after the
// end of the input) and then vorna.hbk.
//
// Checked: a book whose files have the sizes of the size file is taken and
// one with a wrong size is not; every read of a book file lies inside it
// and a probe reads at most 108 records and writes none; RepFromBook gives
// moves of slots 0-3 (small) or 0-5 (large) only; GetFromBook gives 0 or a
// stored move of the side to move; OpeningBook, when it says it found one,
// has a legal stored move at the head of the root list; the position is
// left as it was and passes the validator.
#include <stdio.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "book/book.h"
#include "fuzz_common.h"

namespace {

constexpr const char* kTarget = "fuzz_bookprobe";

void Check(bool ok, const char* what, const std::string& detail = "") {
  if (!ok) fuzz::Fail(kTarget, what, detail);
}

// The book files are opened through this stream, which fails the target on
// a read that does not lie inside the file or on any write.
struct Guarded {
  FILE* f;
  long size;
  long pos;
};
long bytes_read = 0;  // book bytes read since the count was cleared

ssize_t GuardRead(void* cookie, char* buf, size_t n) {
  auto* g = static_cast<Guarded*>(cookie);
  Check(g->pos >= 0 && g->pos <= g->size && n <= static_cast<size_t>(g->size - g->pos),
        "a read reaches past the end of a book file",
        std::to_string(g->pos) + "+" + std::to_string(n) + " of " + std::to_string(g->size));
  const size_t got = fread(buf, 1, n, g->f);
  g->pos += static_cast<long>(got);
  bytes_read += static_cast<long>(got);
  return static_cast<ssize_t>(got);
}

ssize_t GuardWrite(void*, const char*, size_t) {
  fuzz::Fail(kTarget, "a probe writes to a book file");
}

int GuardSeek(void* cookie, off64_t* offset, int whence) {
  auto* g = static_cast<Guarded*>(cookie);
  const long base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? g->pos : g->size;
  const long to = base + static_cast<long>(*offset);
  if (to < 0 || fseek(g->f, to, SEEK_SET) != 0) return -1;
  g->pos = to;
  *offset = to;
  return 0;
}

int GuardClose(void* cookie) {
  auto* g = static_cast<Guarded*>(cookie);
  const int r = fclose(g->f);
  delete g;
  return r;
}

bool IsBookFile(const char* path) {
  const size_t n = strlen(path);
  return n > 4 && (!strcmp(path + n - 4, ".hbk") || !strcmp(path + n - 4, ".lbk"));
}

FILE* GuardedOpen(const char* path, const char* mode) {
  FILE* f = fopen(path, mode);
  if (f == nullptr || !IsBookFile(path)) return f;
  struct stat st;
  if (fstat(fileno(f), &st) != 0) {
    fclose(f);
    return nullptr;
  }
  auto* g = new Guarded{f, static_cast<long>(st.st_size), 0};
  FILE* c = fopencookie(g, mode, {GuardRead, GuardWrite, GuardSeek, GuardClose});
  if (c == nullptr) {
    GuardClose(g);
    return nullptr;
  }
  setvbuf(c, nullptr, _IONBF, 0);  // each record read reaches the guard as it is
  return c;
}

std::string Moves(const std::vector<uint16_t>& moves) {
  std::string s;
  for (uint16_t m : moves) s += fuzz::MoveText(m) + " ";
  return s;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static bool ready = false;
  if (!ready) fuzz::Start("bookprobe");
  const fuzz::InFolder here;
  if (!ready) {
    OpenDataFile = GuardedOpen;
    ready = true;
  }
  if (size < 2) return 0;
  const int line = data[0] & 7;
  const bool small = (data[0] & 8) != 0;
  const int shape = (data[0] >> 4) & 3;
  const size_t large_records = static_cast<size_t>(data[1]) + 1;
  size_t at = 2;
  std::string sizes_text;
  if (shape == 3 && at < size) {
    const size_t want = data[at++];
    const size_t n = std::min(want, size - at);
    sizes_text.assign(reinterpret_cast<const char*>(data + at), n);
    at += n;
  }

  // 1. The files.
  const size_t rest = size - at;
  std::string lbk(large_records * kLargeRecord, '\0');
  const size_t to_lbk = std::min(rest, lbk.size());
  lbk.replace(0, to_lbk, reinterpret_cast<const char*>(data + at), to_lbk);
  std::string hbk(reinterpret_cast<const char*>(data + at + to_lbk), rest - to_lbk);
  size_t small_records = hbk.size() / kSmallRecord;
  if (shape != 1) {
    if (small_records == 0) small_records = 1;
    hbk.resize(small_records * kSmallRecord, '\0');
  }
  if (shape == 1 && small_records * kSmallRecord == hbk.size()) small_records++;
  if (shape == 2) lbk.pop_back();
  if (shape != 3)
    sizes_text = std::to_string(large_records) + " " + std::to_string(small_records) + "\n" +
                 (small ? "0" : "10") + " \n";
  CloseBook();
  Check(fuzz::WriteFile("vorna.sbk", sizes_text.data(), sizes_text.size()) &&
            fuzz::WriteFile("vorna.lbk", lbk.data(), lbk.size()) &&
            fuzz::WriteFile("vorna.hbk", hbk.data(), hbk.size()),
        "cannot write the book files");

  // 2. The position; the new game opens the book.
  fuzz::PlayLine(kTarget, fuzz::kLines[line]);
  if (shape == 0) Check(BookOn == 1, "a book of the right sizes is not taken");
  if (shape == 1 || shape == 2) Check(BookOn == 0, "a book file of the wrong size is taken");
  const fuzz::Position before = fuzz::Position::Take();
  const bool large = GameCnt <= lbk_hbk;
  const int slots = large ? kLargeMoves : kSmallMoves;
  const long lookup_bytes = long{kBookProbes} * (large ? kLargeRecord : kSmallRecord);

  // 3. The enumeration used while pondering.
  std::vector<uint16_t> stored;
  int index = 0, weight = 0;
  long all_read = 0;
  for (int call = 0; call < kLargeMoves + 3; call++) {
    const int k = index;
    bytes_read = 0;
    const uint16_t m = RepFromBook(&index, &weight);
    Check(bytes_read <= (k == 0 ? lookup_bytes : 0), "RepFromBook reads more than one lookup",
          std::to_string(bytes_read) + " bytes at index " + std::to_string(k));
    all_read += bytes_read;
    Check(index >= 0 && index <= slots, "RepFromBook's index leaves the record");
    if (m == 0) continue;
    Check(k < slots, "RepFromBook answers past the record's slots");
    Check((m >> 8) < 64 && (m & 0xff) < 64, "RepFromBook gives a move off the board",
          fuzz::MoveText(m));
    stored.push_back(m);
  }
  Check(BookOn == 1 || (all_read == 0 && stored.empty()), "a closed book answers");
  const auto is_stored = [&stored](uint16_t m) {
    return std::find(stored.begin(), stored.end(), m) != stored.end();
  };

  // 4. The weighted choice.
  uint16_t choice = 0;
  bytes_read = 0;
  GetFromBook(&choice);
  Check(bytes_read <= lookup_bytes, "a lookup reads more than 108 records");
  if (choice != 0) {
    Check(is_stored(choice), "GetFromBook gives a move the record does not hold",
          fuzz::MoveText(choice) + " / " + Moves(stored));
    Check(color[choice >> 8] == player && color[choice & 0xff] != player,
          "GetFromBook gives a move of the wrong side", fuzz::MoveText(choice));
  }

  // 5. The book move at the head of the root list, as the driver asks it.
  TrPnt[1] = TrPnt[2] = root = Tree;
  MoveList(player, 1);
  const int32_t last_book_move = LastBookMove;
  bytes_read = 0;
  const int found = OpeningBook();
  Check(bytes_read <= lookup_bytes, "a lookup reads more than 108 records");
  if (found) {
    Check(TrPnt[1] < TrPnt[2], "a book move found in an empty root list");
    const uint16_t head = ShortMove(TrPnt[1]->from, TrPnt[1]->to);
    Check(is_stored(head), "OpeningBook puts a move first that the record does not hold",
          fuzz::MoveText(head) + " / " + Moves(stored));
    Check(fuzz::IsLegal(player, head), "OpeningBook puts an illegal move first",
          fuzz::MoveText(head) + " in " + before.fen);
    Check(LastBookMove == GameCnt, "a book move does not move the book window");
  } else {
    Check(LastBookMove == last_book_move, "the book window moves without a book move");
  }

  // 6. Nothing else changed.
  Check(fuzz::Position::Take() == before, "the probe changed the position", before.fen);
  fuzz::CheckConsistent(kTarget);
  CloseBook();
  return 0;
}
