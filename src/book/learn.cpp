#include "book/learn.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/board.h"
#include "core/bytes.h"
#include "core/datafile.h"
#include "core/movegen.h"
#include "core/startup.h"
#include "core/vorna.h"
#include "search/treesearch.h"
#include "ui/output.h"

LearnEntry ltable[2][kLearnEntries];
uint16_t SessionNumber = 0;
char LearnPath[228];
int32_t LearnFlag = 1;
int32_t learn = 1;

namespace {

constexpr uint8_t kExactScore = 1;
constexpr uint8_t kLowerBound = 2;
constexpr uint8_t kUpperBound = 4;
constexpr int kStoreSlots = 5;
constexpr int kProbeSlots = 4;
constexpr int32_t kLearnScoreLimit = 10000;

// The record a new file is filled with.
constexpr LearnEntry HashEntry{};

void Encode(const LearnEntry& e, uint8_t* p) {
  WriteLE32(p, e.key);
  WriteLE32(p + 4, static_cast<uint32_t>(e.score));
  WriteLE16(p + 8, e.session);
  WriteLE16(p + 10, e.reserved0);
  WriteLE32(p + 12, e.move);
  p[16] = e.flag;
  p[17] = e.depth;
  WriteLE16(p + 18, e.reserved1);
}

LearnEntry Decode(const uint8_t* p) {
  LearnEntry e;
  e.key = ReadLE32(p);
  e.score = static_cast<int32_t>(ReadLE32(p + 4));
  e.session = ReadLE16(p + 8);
  e.reserved0 = ReadLE16(p + 10);
  e.move = ReadLE32(p + 12);
  e.flag = p[16];
  e.depth = p[17];
  e.reserved1 = ReadLE16(p + 18);
  return e;
}

int FromSquare(uint32_t move) {
  return static_cast<int>((move >> 8) & 0xff);
}
int ToSquare(uint32_t move) {
  return static_cast<int>(move & 0xff);
}

// An entry that names squares off the board, a score beyond any mate or an
// unknown flag did not come from a search: it is never used.
bool EntryIsSound(const LearnEntry& e) {
  return FromSquare(e.move) < 64 && ToSquare(e.move) < 64 && e.score >= -kLearnScoreLimit &&
         e.score <= kLearnScoreLimit &&
         (e.flag == kExactScore || e.flag == kLowerBound || e.flag == kUpperBound);
}

// The entry's move is a legal move of side here: a record whose move does
// not fit the position was written for another one (a hash collision, a
// spoilt file) and is not used. The moves are generated at ply, where the
// node generates its own next; the king is then tried on the squares alone,
// so nothing else of the position is touched.
bool MoveFits(int side, uint32_t move, int ply) {
  const int from = FromSquare(move), to = ToSquare(move);
  if (color[from] != side || color[to] == side) return false;
  MoveList(side, ply);
  const TreeEntry* e = TrPnt[ply];
  while (e < TrPnt[ply + 1] && (e->from != from || e->to != to)) e++;
  if (e == TrPnt[ply + 1]) return false;
  if (e->flags & MF_CASTLE) return true;  // generated only over safe squares
  const int taken = (e->flags & MF_EP) ? (to > from ? to - 8 : to + 8) : to;
  const int16_t board_taken = board[taken], color_taken = color[taken];
  const int16_t board_to = board[to], color_to = color[to];
  board[taken] = no_piece;
  color[taken] = neutral;
  board[to] = board[from];
  color[to] = color[from];
  board[from] = no_piece;
  color[from] = neutral;
  const bool legal = !SqAtakd(board[to] == king ? to : PieceList[side][0], 1 - side);
  board[from] = board[to];
  color[from] = color[to];
  board[to] = board_to;
  color[to] = color_to;
  board[taken] = board_taken;
  color[taken] = color_taken;
  return legal;
}

LearnEntry& Slot(int side, int i) {
  return ltable[side][(hashkey + static_cast<uint32_t>(i)) & kLearnMask];
}

void ClearTable() {
  memset(ltable, 0, sizeof ltable);
}

// Writes the whole file image: the session counter and both tables, or the
// empty records of a new file.
bool WriteImage(NewFile* file, bool empty) {
  uint8_t buf[kLearnEntryBytes];
  WriteLE16(buf, empty ? 0 : SessionNumber);
  if (!PutBytes(file, buf, 2)) return false;
  for (int side = 0; side < 2; side++) {
    for (int i = 0; i < kLearnEntries; i++) {
      Encode(empty ? HashEntry : ltable[side][i], buf);
      if (!PutBytes(file, buf, kLearnEntryBytes)) return false;
    }
  }
  return true;
}

// Writes the file beside the old one and renames it into place: a reader
// sees the old file or the new, whole.
bool SaveFile(bool empty) {
  NewFile file;
  if (!BeginFile(&file, LearnPath, "wb")) return false;
  if (!WriteImage(&file, empty)) {
    DropFile(&file);
    return false;
  }
  return CommitFile(&file);
}

// Reads an open learning file into the tables. Returns false for a file of
// the wrong size or with an impossible session counter; unsound entries are
// dropped and counted in *dropped.
bool ReadFile(FILE* f, int* dropped) {
  uint8_t buf[kLearnEntryBytes];
  *dropped = 0;
  if (fread(buf, 1, 2, f) != 2) return false;
  const uint16_t session = ReadLE16(buf);
  if (session > kLastSession) return false;
  for (int side = 0; side < 2; side++) {
    for (int i = 0; i < kLearnEntries; i++) {
      if (fread(buf, 1, kLearnEntryBytes, f) != kLearnEntryBytes) return false;
      LearnEntry e = Decode(buf);
      if (e.key != 0 && !EntryIsSound(e)) {
        ++*dropped;
        e = HashEntry;
      }
      if (e.key == 0) e = HashEntry;
      ltable[side][i] = e;
    }
  }
  if (fgetc(f) != EOF) return false;  // longer than a learning file
  SessionNumber = session;
  return true;
}

}  // namespace

void InitLearn() {
  snprintf(LearnPath, sizeof LearnPath, "%svorna.lrn", vornapath);
  FILE* f = OpenDataFile(LearnPath, "r+b");
  if (f == nullptr) {
    if (FILE* readable = OpenDataFile(LearnPath, "rb")) {
      fclose(readable);
      OutPrintf("Learning file %s is read-only: learning is off\n", LearnPath);
      OutFlush();
      LearnFlag = 0;
      return;
    }
    // A new file of empty records; the table in memory keeps its contents.
    SessionNumber = 0;
    if (!SaveFile(true)) {
      OutPrintf("Learning file %s cannot be created: learning is off\n", LearnPath);
      OutFlush();
      LearnFlag = 0;
      return;
    }
    LearnFlag = 1;
    return;
  }
  int dropped = 0;
  if (!ReadFile(f, &dropped)) {
    ClearTable();
    SessionNumber = 0;
    OutPrintf("Learning file %s is broken: starting a fresh table\n", LearnPath);
    OutFlush();
  } else if (dropped > 0) {
    OutPrintf("Learning file %s: %d broken entries ignored\n", LearnPath, dropped);
    OutFlush();
  }
  fclose(f);
  LearnFlag = 1;
}

void CloseLearn() {
  if (LearnFlag != 1) return;
  const uint16_t before = SessionNumber;
  if (SessionNumber < kLastSession) SessionNumber++;
  if (!SaveFile(false)) {
    SessionNumber = before;
    OutPrintf("Learning file %s could not be saved: learning stays on\n", LearnPath);
    OutFlush();
    return;
  }
  LearnFlag = 0;
}

void SwitchLearn() {
  if (LearnFlag == 1)
    CloseLearn();
  else
    InitLearn();
}

int ProbeLearn(int side, int depth, int32_t* alpha, int32_t* beta, int32_t* score, int ply) {
  ASSERT(side == 0 || side == 1);
  // 1. The position's entry among the first four slots.
  const LearnEntry* e = nullptr;
  for (int i = 0; i < kProbeSlots && e == nullptr; i++)
    if (Slot(side, i).key == hashbd) e = &Slot(side, i);
  if (e == nullptr || e->key == 0 || !EntryIsSound(*e)) return 0;

  // 2. Deep enough.
  if (e->depth < depth) return 0;

  // 3. The move must be a legal move of side in this position; an entry
  // without a move (a1a1) never answers.
  if (!MoveFits(side, e->move, ply)) return 0;

  // 4. By the kind of score.
  switch (e->flag) {
    case kExactScore: {
      PV = static_cast<uint16_t>(e->move);
      int32_t s = e->score;
      if (s > kMateBound)
        s -= ply;
      else if (s < -kMateBound)
        s += ply;
      *score = s;
      return kExactScore;
    }
    case kLowerBound:
      if (e->score <= *alpha) return 0;
      PV = static_cast<uint16_t>(e->move);
      *alpha = e->score;
      return kLowerBound;
    case kUpperBound:
      if (e->score >= *beta) return 0;
      *beta = e->score;
      PV = 0;
      return kUpperBound;
    default:
      return 0;
  }
}

void PutInLearn(int side, int depth, int32_t score, int32_t alpha, int32_t beta, uint32_t move,
                int ply) {
  ASSERT(side == 0 || side == 1);
  // 1. The position's own entry, an empty one or a stale one, in slot order.
  LearnEntry* e = nullptr;
  bool own = false;
  for (int i = 0; i < kStoreSlots && e == nullptr; i++) {
    LearnEntry& s = Slot(side, i);
    if (s.key == hashbd) {
      e = &s;
      own = true;
    } else if (s.key == 0 || s.session + kStaleSessions < SessionNumber) {
      e = &s;
    }
  }
  if (e == nullptr) return;  // five younger positions hold the slots

  // 2. The own entry gives way to a deeper result, or at equal depth to a
  // score above alpha when it holds only a bound.
  if (own && !(e->depth < depth || (e->depth == depth && score > alpha &&
                                    (e->flag == kLowerBound || e->flag == kUpperBound))))
    return;

  // 3. Write; mates are kept relative to this node and count 40 deeper.
  LearnEntry n = HashEntry;
  n.key = hashbd;
  n.session = SessionNumber;
  int d = depth;
  if (score > kMateBound) {
    d += kLearnMateDepth;
    n.score = score + ply;
    n.flag = kExactScore;
    n.move = move;
  } else if (score < -kMateBound) {
    d += kLearnMateDepth;
    n.score = score - ply;
    n.flag = kExactScore;
    n.move = 0;
  } else {
    n.score = score;
    n.move = move;
    n.flag = score >= beta ? kLowerBound : score > alpha ? kExactScore : kUpperBound;
  }
  n.depth = static_cast<uint8_t>(d < 0 ? 0 : d > 255 ? 255 : d);
  if (!EntryIsSound(n)) return;  // not a search result (nothing searched)
  *e = n;
}
