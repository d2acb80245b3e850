#include "book/book.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <system_error>

#include "app/lifecycle.h"
#include "core/board.h"
#include "core/bytes.h"
#include "core/datafile.h"
#include "core/makemove.h"
#include "core/movegen.h"
#include "core/random.h"
#include "core/startup.h"
#include "search/driver.h"
#include "ui/command.h"
#include "ui/display.h"
#include "ui/output.h"

int32_t tbooksz = 163840;
int32_t lbooksz = 8192;
int32_t lbk_hbk = 10;
int32_t BookOn = 1;
int32_t BookReadOnly = 0;
int32_t LastBookMove = 0;
int32_t line_no = 0;
char sbk_path[255], hbk_path[255], lbk_path[255];
SmallBookEntry bent;
LargeBookEntry lent;

namespace {

constexpr int32_t kDefaultTbooksz = 163840;
constexpr int32_t kDefaultLbooksz = 8192;
constexpr int32_t kDefaultLbkHbk = 10;
constexpr int32_t kMaxBookSize = 1 << 24;
constexpr int32_t kMaxLbkHbk = 639;
constexpr const char* kReadOnly = "the book files are read-only: the book cannot be changed";

FILE* hbk_file = nullptr;  // small book, open while the book is on
FILE* lbk_file = nullptr;  // large book
int32_t hbk_records = 0;   // records of the open files: no slot beyond is touched
int32_t lbk_records = 0;
TreeEntry next_move;     // the move that update found, made next by the line
char buffer[64];         // text of the last illegal book move
int compile_depth = 0;   // inside the compile pass or AddBook
bool rep_found = false;  // RepFromBook's index 0 found the position

// Complaints about broken files, said once per top-level OpenBook.
char said[4][160];
int said_count = 0;

// The console has no status area: book messages are also printed as lines.
void Say(const char* text) {
  ShowMessage(text);
  OutPrintf("%s\n", text);
  OutFlush();
}

void Complain(const char* text) {
  for (int i = 0; i < said_count; i++)
    if (!strcmp(said[i], text)) return;
  if (said_count < 4) snprintf(said[said_count++], sizeof said[0], "%s", text);
  Say(text);
}

// Appends one text to the compile log in the current directory, whole or
// not at all.
void Log(const char* text) {
  const Saved saved = AppendText("open.log", text);
  if (saved == Saved::kNotOpened) Complain("Could not open file: open.log");
  if (saved == Saved::kNotWritten) Complain("Could not write file: open.log");
}

// A book build: "ib", "zb" and the compile pass write new book files beside
// the old ones (empty ones, or copies to add to), and the new files replace
// the old only when all are written whole. vorna.hbk is renamed last, so a
// program killed before it finds no new small book and compiles again.
struct Build {
  bool open = false;
  bool failed = false;
  NewFile sbk, hbk, lbk;
};
Build build;

bool Building() {
  return build.open && !build.failed;
}

// The first failure of a build, said in one line naming the file.
void BuildFailed(const NewFile& file) {
  if (build.failed) return;
  build.failed = true;
  char text[320];
  snprintf(text, sizeof text, "%s could not be written: the book files are unchanged", file.path);
  Say(text);
}

void DecodeSmall(const uint8_t* b, SmallBookEntry& e) {
  e.key = ReadLE32(b);
  for (int k = 0; k < kSmallMoves; k++) {
    e.move[k] = ReadLE16(b + 4 + 2 * k);
    e.weight[k] = b[12 + k];
  }
}
void EncodeSmall(const SmallBookEntry& e, uint8_t* b) {
  WriteLE32(b, e.key);
  for (int k = 0; k < kSmallMoves; k++) {
    WriteLE16(b + 4 + 2 * k, e.move[k]);
    b[12 + k] = e.weight[k];
  }
}
void DecodeLarge(const uint8_t* b, LargeBookEntry& e) {
  e.key = ReadLE32(b);
  for (int k = 0; k < kLargeMoves; k++) {
    e.move[k] = ReadLE16(b + 4 + 2 * k);
    e.weight[k] = ReadLE16(b + 16 + 2 * k);
  }
}
void EncodeLarge(const LargeBookEntry& e, uint8_t* b) {
  WriteLE32(b, e.key);
  for (int k = 0; k < kLargeMoves; k++) {
    WriteLE16(b + 4 + 2 * k, e.move[k]);
    WriteLE16(b + 16 + 2 * k, e.weight[k]);
  }
}

// Reads record slot of a book file; false when the slot lies outside the
// file or the seek or the read fails.
bool ReadRecord(FILE* f, int32_t records, int size, uint32_t slot, uint8_t* b) {
  if (f == nullptr || slot >= static_cast<uint32_t>(records)) return false;
  if (fseek(f, static_cast<long>(slot) * size, SEEK_SET) != 0) return false;
  return fread(b, 1, size, f) == static_cast<size_t>(size);
}

// Writes record slot of a file being built; never past the file's end,
// never after a failed seek. A failure ends the build's writing.
bool WriteRecord(FILE* f, int32_t records, int size, uint32_t slot, const uint8_t* b,
                 const NewFile& file) {
  if (f == nullptr || !Building() || slot >= static_cast<uint32_t>(records)) return false;
  if (fseek(f, static_cast<long>(slot) * size, SEEK_SET) != 0) {
    ShowMessage("error fseek !!!!!!!!!!!");
    BuildFailed(file);
    return false;
  }
  if (!WriteThrough(f, file.temp, b, size)) {
    ShowMessage("error fwrite !!!!!!!!!!!!!!!!!");
    BuildFailed(file);
    return false;
  }
  return true;
}

bool ReadSmall(uint32_t slot) {
  uint8_t b[kSmallRecord];
  if (!ReadRecord(hbk_file, hbk_records, kSmallRecord, slot, b)) return false;
  DecodeSmall(b, bent);
  return true;
}
bool ReadLarge(uint32_t slot) {
  uint8_t b[kLargeRecord];
  if (!ReadRecord(lbk_file, lbk_records, kLargeRecord, slot, b)) return false;
  DecodeLarge(b, lent);
  return true;
}

// Probe results: the slot of the position's record or of the first empty
// record on its chain (the record is in bent or lent), or one of these.
constexpr int64_t kChainFull = -1;
constexpr int64_t kReadFailed = -2;

int64_t ProbeSmall() {
  if (tbooksz <= 0) return kReadFailed;
  for (uint32_t i = 0; i < kBookProbes; i++) {
    const uint32_t slot = (hashkey + i) % static_cast<uint32_t>(tbooksz);
    if (!ReadSmall(slot)) return kReadFailed;
    if (bent.key == hashbd || bent.key == 0) return slot;
  }
  return kChainFull;
}
int64_t ProbeLarge() {
  if (lbooksz <= 0) return kReadFailed;
  for (uint32_t i = 0; i < kBookProbes; i++) {
    const uint32_t slot = (hashkey + i) % static_cast<uint32_t>(lbooksz);
    if (!ReadLarge(slot)) return kReadFailed;
    if (lent.key == hashbd || lent.key == 0) return slot;
  }
  return kChainFull;
}

bool FoundSmall() {
  return ProbeSmall() >= 0 && bent.key == hashbd;
}
bool FoundLarge() {
  return ProbeLarge() >= 0 && lent.key == hashbd;
}

// A stored short move whose squares are on the board.
bool OnBoard(uint16_t m) {
  return (m >> 8) < 64 && (m & 0xff) < 64;
}

void FillPaths() {
  snprintf(sbk_path, sizeof sbk_path, "%svorna.sbk", vornapath);
  snprintf(hbk_path, sizeof hbk_path, "%svorna.hbk", vornapath);
  snprintf(lbk_path, sizeof lbk_path, "%svorna.lbk", vornapath);
}

// vorna.sbk: "lbooksz tbooksz" and optionally lbk_hbk. A value out of range
// takes its default, so that no book is ever hashed modulo 0.
void ReadSizeFile() {
  FILE* f = fopen(sbk_path, "rb");
  if (f == nullptr) return;
  char text[128];
  const size_t n = fread(text, 1, sizeof text - 1, f);
  fclose(f);
  text[n] = '\0';
  long long v[3] = {0, 0, 0};
  int count = 0;
  const char* p = text;
  while (count < 3) {
    char* end = nullptr;
    errno = 0;
    const long long x = strtoll(p, &end, 10);
    if (end == p) break;
    v[count++] = errno == ERANGE ? -1 : x;
    p = end;
  }
  if (count < 2) {
    lbooksz = kDefaultLbooksz;
    tbooksz = kDefaultTbooksz;
    Complain("vorna.sbk holds no book sizes: default sizes used");
    return;
  }
  bool bad = false;
  auto take = [&bad](long long x, long long lo, long long hi, int32_t fallback) {
    if (x >= lo && x <= hi) return static_cast<int32_t>(x);
    bad = true;
    return fallback;
  };
  lbooksz = take(v[0], 1, kMaxBookSize, kDefaultLbooksz);
  tbooksz = take(v[1], 1, kMaxBookSize, kDefaultTbooksz);
  if (count == 3) lbk_hbk = take(v[2], 0, kMaxLbkHbk, kDefaultLbkHbk);
  if (bad) Complain("vorna.sbk holds sizes out of range: their defaults used");
}

// Opens an existing book file for reading and writing in place, or for
// reading only when it may not be written. A file that is no regular file
// of n records is refused with one line; an absent file silently.
FILE* OpenInPlace(const char* path, int size, int32_t n, int32_t* records) {
  std::error_code ec;
  const auto st = std::filesystem::status(path, ec);
  if (ec || !std::filesystem::exists(st)) return nullptr;
  char text[160];
  if (!std::filesystem::is_regular_file(st)) {
    snprintf(text, sizeof text, "%s is not a book file: book not used", path);
    Complain(text);
    return nullptr;
  }
  const auto bytes = std::filesystem::file_size(path, ec);
  const auto want = static_cast<uintmax_t>(n) * static_cast<uintmax_t>(size);
  if (ec || bytes != want) {
    snprintf(text, sizeof text, "%s has %ju bytes, %ju expected: book not used", path,
             ec ? uintmax_t{0} : bytes, want);
    Complain(text);
    return nullptr;
  }
  FILE* f = BookReadOnly ? nullptr : OpenDataFile(path, "r+b");
  if (f == nullptr) {
    f = OpenDataFile(path, "rb");
    if (f != nullptr) BookReadOnly = 1;
  }
  if (f == nullptr) {
    snprintf(text, sizeof text, "%s cannot be opened: book not used", path);
    Complain(text);
    return nullptr;
  }
  *records = n;
  return f;
}

void OpenSmall() {
  if (hbk_file == nullptr) hbk_file = OpenInPlace(hbk_path, kSmallRecord, tbooksz, &hbk_records);
}
void OpenLarge() {
  if (lbk_file == nullptr) lbk_file = OpenInPlace(lbk_path, kLargeRecord, lbooksz, &lbk_records);
}

// Closes the book's streams; those of a build belong to the build.
void CloseStreams() {
  if (!build.open) {
    if (hbk_file != nullptr) fclose(hbk_file);
    if (lbk_file != nullptr) fclose(lbk_file);
  }
  hbk_file = lbk_file = nullptr;
  hbk_records = lbk_records = 0;
  BookReadOnly = 0;
}

// A new book file of n records: empty ones, or a copy of the book file.
bool FillBookFile(NewFile* file, const char* path, int size, int32_t n, bool fresh) {
  static uint8_t chunk[1 << 16];
  if (!BeginFile(file, path, "w+b")) return false;
  FILE* from = fresh ? nullptr : fopen(path, "rb");
  if (!fresh && from == nullptr) return false;
  if (fresh) memset(chunk, 0, sizeof chunk);
  for (int64_t left = static_cast<int64_t>(n) * size; left > 0 && file->ok;) {
    const size_t want =
        left < static_cast<int64_t>(sizeof chunk) ? static_cast<size_t>(left) : sizeof chunk;
    if (from != nullptr && fread(chunk, 1, want, from) != want) file->ok = false;
    PutBytes(file, chunk, want);
    left -= static_cast<int64_t>(want);
  }
  if (from != nullptr) fclose(from);
  return file->ok;
}

void DropBuild() {
  DropFile(&build.sbk);
  DropFile(&build.hbk);
  DropFile(&build.lbk);
  build.open = false;
}

// Starts a build of a fresh book (with a new size file) or of a copy of the
// open one; its files become the book's streams until it ends. false, said
// in one line, when they cannot be made.
bool BeginBuild(bool fresh) {
  const int32_t small = fresh ? tbooksz : hbk_records, large = fresh ? lbooksz : lbk_records;
  CloseStreams();
  build.open = true;
  build.failed = false;
  bool ok = true;
  if (fresh) {
    char text[64];
    snprintf(text, sizeof text, "%d %d\n%d \n", lbooksz, tbooksz, lbk_hbk);
    ok = BeginFile(&build.sbk, sbk_path, "wb") && PutBytes(&build.sbk, text, strlen(text));
    if (!ok) BuildFailed(build.sbk);
  }
  if (ok && !FillBookFile(&build.hbk, hbk_path, kSmallRecord, small, fresh)) {
    BuildFailed(build.hbk);
    ok = false;
  }
  if (ok && !FillBookFile(&build.lbk, lbk_path, kLargeRecord, large, fresh)) {
    BuildFailed(build.lbk);
    ok = false;
  }
  if (!ok) {
    DropBuild();
    return false;
  }
  hbk_file = build.hbk.f;
  lbk_file = build.lbk.f;
  hbk_records = small;
  lbk_records = large;
  return true;
}

// Ends a build: all its files are sealed first, then renamed over the old
// ones, the small book last. The book's streams are closed either way.
void EndBuild() {
  hbk_file = lbk_file = nullptr;
  hbk_records = lbk_records = 0;
  NewFile* files[] = {&build.sbk, &build.lbk, &build.hbk};
  for (NewFile* file : files)
    if (!build.failed && file->f != nullptr && !SealFile(file)) BuildFailed(*file);
  for (NewFile* file : files)
    if (!build.failed && file->temp[0] != '\0' && !CommitFile(file)) BuildFailed(*file);
  DropBuild();
}

bool Readable(const char* path) {
  FILE* f = fopen(path, "r");
  if (f == nullptr) return false;
  fclose(f);
  return true;
}

struct TextBook {
  const char* file;
  const char* message;
  int passes;  // weights.bok counts double
};

constexpr TextBook kTextBooks[] = {
    {"vorna.bok", "generiere Bin-Buch -- bitte etwas Geduld", 1},
    {"bxx.bok", "Bin-Buch-Erweiterung BXX -- Moment bitte !", 1},
    {"exx.bok", "Bin-Buch-Erweiterung EXX -- Moment bitte !", 1},
    {"master.bok", "Meister-Partien -- Moment bitte !", 1},
    {"extra.bok", "Bin-Buch-Erweiterung -- Moment bitte !", 1},
    {"weights.bok", "Bin-Buch-Gewichte -- Moment bitte !", 2},
};

// Builds the book files from the text books of the current directory, in
// one build. The extension books need the main book's fresh files: without
// vorna.bok nothing is compiled. Nested OpenBook calls never start another
// pass.
void CompileTextBooks() {
  if (!Readable(kTextBooks[0].file)) return;
  compile_depth++;
  for (const TextBook& tb : kTextBooks) {
    if (!Readable(tb.file)) continue;
    Say(tb.message);
    if (&tb == &kTextBooks[0]) {
      InitBook();
      if (!build.open) break;
    }
    NewGame(1);
    for (int pass = 0; pass < tb.passes; pass++) {
      AddBook(tb.file);
      NewGame(1);
    }
    if (build.failed) break;
  }
  compile_depth--;
  if (build.open) EndBuild();
}

bool IsLetter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool IsFileChar(char c) {
  return c >= 'a' && c <= 'h';
}
bool IsRankChar(char c) {
  return c >= '1' && c <= '8';
}

// Weighted choice among the candidates of a record: the largest product of
// a fresh random number and the weight wins, among the moves of player.
template <int S, typename W>
uint16_t Choose(const uint16_t (&move)[S], const W (&weight)[S], int32_t* rand_time) {
  *rand_time = static_cast<int32_t>(time(nullptr));
  s_rand(static_cast<uint32_t>(*rand_time));
  uint32_t best = 0;
  uint16_t choice = 0;
  for (int k = 0; k < S && move[k] != 0; k++) {
    const uint32_t p = u_rand() * static_cast<uint32_t>(weight[k]);
    const uint16_t m = move[k];
    if (p > best && OnBoard(m) && color[m >> 8] == player && color[m & 0xff] != player) {
      best = p;
      choice = m;
    }
  }
  return choice;
}

// The root entry leaves the mover's king safe.
bool LegalAtRoot(int side, TreeEntry* e) {
  MakeMove(side, e);
  const bool legal = !SqAtakd(PieceList[side][0], 1 - side);
  UnmakeMove(side, e);
  return legal;
}

}  // namespace

void OpenBook() {
  // 1. Paths and sizes.
  if (compile_depth == 0) said_count = 0;
  FillPaths();
  ReadSizeFile();
  // 2. The small book, compiled from the text books when there is none.
  OpenSmall();
  if (hbk_file == nullptr && compile_depth == 0) {
    CompileTextBooks();
    OpenSmall();
  }
  if (hbk_file == nullptr) {
    BookOn = 0;
    return;
  }
  // 3. The large book.
  OpenLarge();
  BookOn = lbk_file != nullptr ? 1 : 0;
}

void CloseBook() {
  CloseStreams();
  BookOn = 0;
}

void SwitchBook(int lang) {
  if (BookOn == 1) {
    CloseBook();
    Say(lang ? "book off !" : "Buch aus !");
  } else {
    OpenBook();
    Say(lang ? "book on !" : "Buch ein !");
  }
}

void InitBook() {
  if (BookReadOnly) {
    Say(kReadOnly);
    return;
  }
  FillPaths();
  if (build.open) return;
  // Inside the compile pass the build goes on; "ib" ends it at once. Either
  // way the book's files are open afterwards: the new ones, or the old ones
  // when they could not be replaced.
  const bool built = BeginBuild(true);
  if (built && compile_depth > 0) return;
  if (built) EndBuild();
  OpenSmall();
  OpenLarge();
  if (hbk_file == nullptr || lbk_file == nullptr) BookOn = 0;
}

void StatBook() {
  if (hbk_path[0] == '\0') FillPaths();
  int32_t used[2] = {0, 0}, seen[2] = {0, 0}, moves[2] = {0, 0};
  OpenSmall();
  if (hbk_file == nullptr) {
    BookOn = 0;
    Say("no book files to count");
    return;
  }
  uint8_t b[kLargeRecord];
  if (fseek(hbk_file, 0, SEEK_SET) == 0)
    for (int32_t s = 0; s < tbooksz && s < hbk_records; s++) {
      if (fread(b, 1, kSmallRecord, hbk_file) != kSmallRecord) break;
      DecodeSmall(b, bent);
      seen[0]++;
      if (bent.key == 0) continue;
      used[0]++;
      for (uint16_t m : bent.move) moves[0] += m != 0;
    }
  OpenLarge();
  if (lbk_file == nullptr) {
    BookOn = 0;
    Say("no book files to count");
    return;
  }
  if (fseek(lbk_file, 0, SEEK_SET) == 0)
    for (int32_t s = 0; s < lbooksz && s < lbk_records; s++) {
      if (fread(b, 1, kLargeRecord, lbk_file) != kLargeRecord) break;
      DecodeLarge(b, lent);
      seen[1]++;
      if (lent.key == 0) continue;
      used[1]++;
      for (uint16_t m : lent.move) moves[1] += m != 0;
    }
  char text[128];
  snprintf(text, sizeof text, "%d von %d:=%d HZ || %d von %d:=%d HZ", used[0], seen[0], moves[0],
           used[1], seen[1], moves[1]);
  Say(text);
}

void AddBook(const char* path) {
  FILE* f = fopen(path, "rb");
  if (f == nullptr) return;
  if (hbk_path[0] == '\0') FillPaths();
  // "zb" adds to a copy of the book; in the compile pass the build is open.
  const bool own_build = !build.open;
  if (own_build) {
    OpenSmall();
    OpenLarge();
    if (BookReadOnly) {
      fclose(f);
      Say(kReadOnly);
      return;
    }
    if (hbk_file != nullptr && lbk_file != nullptr && !BeginBuild(false)) {
      fclose(f);
      CloseBook();
      return;
    }
  }
  compile_depth++;
  char line[512];
  bool broken = false;
  while (fgets(line, 511, f) != nullptr) {
    line_no++;
    if (line[0] == ';' || line[0] == '\n' || line[0] == '\0') continue;
    line[strlen(line) - 1] = '\0';  // the line end, or the last character
    if (scan_opening_line(line) < 0) {
      char text[64];
      snprintf(text, sizeof text, "problem encountered in line #%d\n", line_no);
      Log(text);
      broken = true;
      break;
    }
  }
  fclose(f);
  compile_depth--;
  if (!own_build) return;
  if (build.open) EndBuild();
  if (broken) {
    // The book stays open after a bad line.
    OpenSmall();
    OpenLarge();
  } else {
    CloseBook();
  }
}

int scan_opening_line(char* line) {
  NewGame(2);
  const char* p = line;
  for (;;) {
    // 1. The next move starts at a letter.
    while (*p != '\0' && !IsLetter(*p)) p++;
    if (*p == '\0') return 0;
    int status = 0;
    const uint16_t m = decode_opening_move(p, &status);
    if (m == 0) return -1;
    // 2. Its mark: '!' good, '?' played but not stored.
    p += 4;
    if (*p == '?') {
      p++;
    } else if (*p == '!') {
      PutInBook(m, 10);
      p++;
    } else {
      PutInBook(m, 1);
    }
    if (*p == '\0') return 0;
    // 3. Make it; the other side moves next.
    while (*p == ' ' || *p == '\t' || *p == '\r' || *p == '\n') p++;
    MakeMove(opponent, &next_move);
    ASSERT(PositionIsConsistent());
    computer = 1 - computer;
    opponent = 1 - opponent;
    player = 1 - player;
  }
}

uint16_t decode_opening_move(const char* text, int* status) {
  for (int i = 0; i < 4; i++)
    if (text[i] == '\0') return 0;
  if (!IsFileChar(text[0]) || !IsRankChar(text[1]) || !IsFileChar(text[2]) || !IsRankChar(text[3]))
    return 0;
  const int from = (text[1] - '1') * 8 + (text[0] - 'a');
  const int to = (text[3] - '1') * 8 + (text[2] - 'a');
  *status = update(from, to);
  if (*status < 0) return 0;
  return ShortMove(from, to);
}

int update(int from, int to) {
  const int side = opponent;
  MoveList(side, 2);
  int index = 0;
  for (TreeEntry* e = TrPnt[2]; e < TrPnt[3]; e++, index++) {
    if (e->from != from || e->to != to) continue;
    // A king is never taken and the mover's own king never left attacked.
    if (board[to] == king && color[to] != neutral) break;
    MakeMove(side, e);
    const bool legal = !SqAtakd(PieceList[side][0], 1 - side);
    UnmakeMove(side, e);
    if (!legal) continue;
    next_move = *e;
    return index;
  }
  snprintf(buffer, sizeof buffer, "Illegal Move encountered %d -> %d!", from, to);
  char text[80];
  snprintf(text, sizeof text, "%s\n", buffer);
  Log(text);
  return -1;
}

void PutInBook(uint16_t move, int inc) {
  if (GameCnt <= lbk_hbk)
    PutInLargeBook(move, inc);
  else
    PutInSmallBook(move, inc);
}

void PutInSmallBook(uint16_t move, int inc) {
  if (!Building() || hbk_file == nullptr) return;
  const int64_t slot = ProbeSmall();
  if (slot == kChainFull) Log("book hbk overflown !\n");
  if (slot < 0) return;
  bent.key = hashbd;
  int k = 0;
  while (k < kSmallMoves && bent.move[k] != 0 && bent.move[k] != move) k++;
  if (k == kSmallMoves || bent.weight[k] == 255) return;
  bent.move[k] = move;
  bent.weight[k] = static_cast<uint8_t>(bent.weight[k] + inc > 255 ? 255 : bent.weight[k] + inc);
  uint8_t b[kSmallRecord];
  EncodeSmall(bent, b);
  WriteRecord(hbk_file, hbk_records, kSmallRecord, static_cast<uint32_t>(slot), b, build.hbk);
}

void PutInLargeBook(uint16_t move, int inc) {
  if (!Building() || lbk_file == nullptr) return;
  const int64_t slot = ProbeLarge();
  if (slot == kChainFull) Log("book lbk overflown !\n");
  if (slot < 0) return;
  lent.key = hashbd;
  int k = 0;
  while (k < kLargeMoves && lent.move[k] != 0 && lent.move[k] != move) k++;
  if (k == kLargeMoves || lent.weight[k] > 63999) return;
  lent.move[k] = move;
  lent.weight[k] = static_cast<uint16_t>(lent.weight[k] + inc);
  uint8_t b[kLargeRecord];
  EncodeLarge(lent, b);
  WriteRecord(lbk_file, lbk_records, kLargeRecord, static_cast<uint32_t>(slot), b, build.lbk);
}

void GetFromSmallBook(uint16_t* move) {
  static int32_t RandTime = 0;
  *move = 0;
  if (!BookOn || !FoundSmall()) return;
  *move = Choose(bent.move, bent.weight, &RandTime);
}

void GetFromLargeBook(uint16_t* move) {
  static int32_t RandTime = 0;
  *move = 0;
  if (!BookOn || !FoundLarge()) return;
  *move = Choose(lent.move, lent.weight, &RandTime);
}

void GetFromBook(uint16_t* move) {
  if (GameCnt > lbk_hbk)
    GetFromSmallBook(move);
  else
    GetFromLargeBook(move);
}

int OpeningBook() {
  uint16_t m = 0;
  GetFromBook(&m);
  if (m == 0) return 0;
  for (TreeEntry* e = TrPnt[1]; e < TrPnt[2]; e++) {
    if (e->from == (m >> 8) && e->to == (m & 0xff)) {
      if (LegalAtRoot(player, e)) e->score = 0;
      break;
    }
  }
  Sort(TrPnt[1], TrPnt[2] - 1);
  if (TrPnt[1]->score < 0) return 0;
  LastBookMove = GameCnt;
  return 1;
}

uint16_t RepFromBook(int* index, int* weight) {
  if (!BookOn) return 0;
  const bool large = GameCnt <= lbk_hbk;
  if (*index == 0) {
    rep_found = large ? FoundLarge() : FoundSmall();
    if (!rep_found) return 0;
  }
  if (!rep_found || *index < 0) return 0;
  if (*index > kSmallMoves - 1 && !large) return 0;
  if (*index > kLargeMoves - 1) return 0;
  const int k = (*index)++;
  const uint16_t m = large ? lent.move[k] : bent.move[k];
  if (!OnBoard(m)) {
    *weight = 0;
    return 0;
  }
  *weight = large ? lent.weight[k] : bent.weight[k];
  return m;
}

void NewGameBook() {
  LastBookMove = 0;
}
