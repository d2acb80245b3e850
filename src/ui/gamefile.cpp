#include "ui/gamefile.h"

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <initializer_list>
#include <string>

#include "app/lifecycle.h"
#include "book/book.h"
#include "core/board.h"
#include "core/datafile.h"
#include "core/makemove.h"
#include "core/movegen.h"
#include "core/startup.h"
#include "core/tables.h"
#include "core/vorna.h"
#include "search/driver.h"
#include "search/hashtable.h"
#include "timectl/clock.h"
#include "timectl/timectl.h"
#include "ui/command.h"
#include "ui/display.h"
#include "ui/input.h"
#include "ui/output.h"
#include "ui/position.h"

char FEN_string[128];
char PosFile[kPosFileSize];
char pgn_event[kTagSize], pgn_site[kTagSize], pgn_date[kTagSize], pgn_round[kTagSize];
char pgn_white[kTagSize], pgn_black[kTagSize], pgn_result[kTagSize];

void ClearGameTags() {
  for (char* tag : {pgn_event, pgn_site, pgn_date, pgn_round, pgn_white, pgn_black, pgn_result})
    tag[0] = '\0';
  FEN_string[0] = '\0';
}

namespace {

constexpr char kFenLetters[2][8] = {" PNBRQK", " pnbrqk"};
constexpr char kFileLetters[2][8] = {" BSLTDK", " bsltdk"};  // position-file letters
constexpr int16_t kMovedMan = 10;          // Mvboard count of a man off its home square
constexpr int kLastEntry = kGameSize - 1;  // a game holds entries 1..639
constexpr int kMaxNameLen = 36;            // opponent's name, before the trailing blank
constexpr char kEscape = 27;

// A position being built or checked before it replaces the real one.
struct Scratch {
  int16_t board[64];
  int16_t color[64];
  int16_t mvboard[64];
};

void ClearScratch(Scratch* s) {
  for (int sq = 0; sq < 64; sq++) {
    s->board[sq] = no_piece;
    s->color[sq] = neutral;
    s->mvboard[sq] = 0;
  }
}

void CopyCurrent(Scratch* s) {
  memcpy(s->board, board, sizeof board);
  memcpy(s->color, color, sizeof color);
  memcpy(s->mvboard, Mvboard, sizeof Mvboard);
}

// Square named by text[0..1] ("e4"), or -1.
int SquareAt(const char* text) {
  if (text[0] < 'a' || text[0] > 'h' || text[1] < '1' || text[1] > '8') return -1;
  return (text[1] - '1') * 8 + (text[0] - 'a');
}

// Square named by a word's second and third characters, or -1.
int WordSquare(const char* word) {
  if (word[0] == '\0' || word[1] == '\0') return -1;
  return SquareAt(word + 1);
}

// Colour codes of the game file: 0 empty, 1 White, 2 Black.
int ColourCode(int c) {
  return c == neutral ? 0 : c + 1;
}
int16_t CodeColour(long code) {
  return static_cast<int16_t>(code == 0 ? neutral : code - 1);
}

// Adds the en-passant square to the position and its code to the hash words.
void SetEnPassant(int sq) {
  if (sq <= 0 || sq >= 64) return;
  epsquare = static_cast<uint8_t>(sq);
  hashkey ^= hashcode[0][0][sq].key;
  hashbd ^= hashcode[0][0][sq].bd;
}

// The en-passant square a move leaves behind: the square a pawn passed over
// in a double step, when an enemy pawn stands beside it to take. 0 otherwise.
int EnPassantAfter(const int16_t* b, const int16_t* c, uint32_t move) {
  const int from = MoveFrom(move), to = MoveTo(move);
  if (from > 63 || to > 63 || b[to] != pawn || abs(to - from) != 16) return 0;
  const int xside = 1 - c[to];
  const bool left = File(to) > 0 && b[to - 1] == pawn && c[to - 1] == xside;
  const bool right = File(to) < 7 && b[to + 1] == pawn && c[to + 1] == xside;
  return left || right ? (from + to) / 2 : 0;
}

// Hash words of a scratch position, the en-passant square included.
void ScratchHash(const Scratch& s, int ep, uint32_t* key, uint32_t* bd) {
  *key = *bd = 0;
  for (int sq = 0; sq < 64; sq++) {
    if (s.color[sq] == neutral) continue;
    *key ^= hashcode[s.color[sq]][s.board[sq]][sq].key;
    *bd ^= hashcode[s.color[sq]][s.board[sq]][sq].bd;
  }
  if (ep > 0) {
    *key ^= hashcode[0][0][ep].key;
    *bd ^= hashcode[0][0][ep].bd;
  }
}

// The piece lists can hold the position: one king and at most sixteen men a
// side, and no pawn on the first or last rank.
bool FitsPieceLists(const Scratch& s) {
  int men[2] = {0, 0};
  int kings[2] = {0, 0};
  for (int sq = 0; sq < 64; sq++) {
    if (s.color[sq] == neutral) continue;
    men[s.color[sq]]++;
    if (s.board[sq] == king) kings[s.color[sq]]++;
    if (s.board[sq] == pawn && (Rank(sq) == 0 || Rank(sq) == 7)) return false;
  }
  return kings[0] == 1 && kings[1] == 1 && men[0] <= 16 && men[1] <= 16;
}

// Takes the game-record entry e back on a scratch position. The entry must
// fit the board: the mover's man on its to-square, its from-square empty, a
// castling rook beside the king, a captured man of the other side. Sets the
// mover and whether the move was a castling. false = the entry does not fit.
bool TakeBack(Scratch* s, const GameEntry& e, int* mover, bool* castling) {
  const int from = MoveFrom(e.move), to = MoveTo(e.move);
  const uint16_t flags = MoveFlags(e.move);
  if (from > 63 || to > 63 || from == to) return false;
  const int side = s->color[to];
  if (side == neutral || s->color[from] != neutral) return false;
  *mover = side;
  *castling = false;

  if (s->board[to] == king && Rank(to) == Rank(from) && abs(to - from) == 2 && File(from) == 4) {
    // The king went two squares: its rook comes back from beside it.
    const bool h_side = to > from;
    const int rook_home = h_side ? from + 3 : from - 4;
    const int rook_now = h_side ? to - 1 : to + 1;
    if (s->board[rook_now] != rook || s->color[rook_now] != side) return false;
    if (s->color[rook_home] != neutral) return false;
    s->board[from] = king, s->color[from] = static_cast<int16_t>(side);
    s->board[rook_home] = rook, s->color[rook_home] = static_cast<int16_t>(side);
    s->board[to] = s->board[rook_now] = no_piece;
    s->color[to] = s->color[rook_now] = neutral;
    if (s->mvboard[from] > 0) s->mvboard[from]--;
    if (s->mvboard[rook_home] > 0) s->mvboard[rook_home]--;
    // Only an unmoved king and rook castle.
    if (s->mvboard[from] != 0 || s->mvboard[rook_home] != 0) return false;
    *castling = true;
    return FitsPieceLists(*s);
  }

  int kind = s->board[to];
  if (flags & MF_PROMOTE) {
    if (Rank(to) != (side == white ? 7 : 0) || kind < knight || kind > queen) return false;
    kind = pawn;
  }
  const int victim_color = e.captured_color;
  const int victim = e.captured;
  if (victim_color == neutral) {
    if (victim != no_piece) return false;
  } else if (victim_color != 1 - side || victim < pawn || victim > queen) {
    return false;
  }
  // A pawn that went sideways onto an empty square took en passant.
  const bool ep = kind == pawn && victim_color == neutral && File(from) != File(to);
  if (ep || (flags & MF_EP)) {
    const int behind = side == white ? to - 8 : to + 8;
    if (kind != pawn || Rank(to) != (side == white ? 5 : 2) || s->color[behind] != neutral)
      return false;
    s->board[behind] = pawn;
    s->color[behind] = static_cast<int16_t>(1 - side);
  }
  s->board[from] = static_cast<int16_t>(kind);
  s->color[from] = static_cast<int16_t>(side);
  s->board[to] = static_cast<int16_t>(victim);
  s->color[to] = static_cast<int16_t>(victim_color);
  if (victim_color != neutral && s->mvboard[to] > 0) s->mvboard[to]--;
  if (s->mvboard[from] > 0) s->mvboard[from]--;
  return FitsPieceLists(*s);
}

// FEN of a scratch position with side to move. A side that may castle keeps
// the right to each side where king and rook stand on their home squares.
void ScratchFen(const Scratch& s, int side, const bool may_castle[2], char* dst, size_t size) {
  struct Right {
    char letter;
    int side, king_sq, rook_sq;
  };
  constexpr Right kRights[4] = {
      {'K', white, 4, 7}, {'Q', white, 4, 0}, {'k', black, 60, 63}, {'q', black, 60, 56}};
  char placement[72];
  char rights[5];
  char* p = rights;
  WritePlacement(s.board, s.color, placement);
  for (const Right& r : kRights) {
    if (!may_castle[r.side]) continue;
    if (s.board[r.king_sq] == king && s.color[r.king_sq] == r.side && s.board[r.rook_sq] == rook &&
        s.color[r.rook_sq] == r.side)
      *p++ = r.letter;
  }
  if (p == rights) *p++ = '-';
  *p = '\0';
  snprintf(dst, size, "%s %c %s - 0 1", placement, side == black ? 'b' : 'w', rights);
}

// Reads the next word of a position file, skipping comment lines (';' or
// '!'). A last word without a newline counts. false at the end of the file.
bool ReadFileWord(FILE* file, char* dst, size_t size) {
  int c = fgetc(file);
  for (;;) {
    while (c == ' ' || c == '\t' || c == '\r' || c == '\n') c = fgetc(file);
    if (c == EOF) return false;
    if (c != ';' && c != '!') break;
    while (c != '\n' && c != EOF) c = fgetc(file);
  }
  size_t n = 0;
  while (c != EOF && c != ' ' && c != '\t' && c != '\r' && c != '\n') {
    if (n + 1 < size) dst[n++] = static_cast<char>(c);
    c = fgetc(file);
  }
  dst[n] = '\0';
  return true;
}

// Kind of a piece letter in a letter table (either case), 0 when none.
int KindOfLetter(const char table[2][8], char letter, int* side) {
  for (int sd = white; sd <= black; sd++)
    for (int k = pawn; k <= king; k++)
      if (table[sd][k] == letter) {
        *side = sd;
        return k;
      }
  return no_piece;
}

// ---- Game file ----

// One line of a file without its end. 1 = a line, 0 = end of the file,
// -1 = a line longer than the buffer.
int ReadLine(FILE* file, char* buf, size_t size) {
  if (fgets(buf, static_cast<int>(size), file) == nullptr) return 0;
  size_t len = strlen(buf);
  if (len > 0 && buf[len - 1] == '\n') {
    buf[--len] = '\0';
  } else if (!feof(file)) {
    return -1;
  }
  if (len > 0 && buf[len - 1] == '\r') buf[--len] = '\0';
  return 1;
}

bool IsBlankLine(const char* line) {
  for (; *line != '\0'; line++)
    if (*line != ' ' && *line != '\t') return false;
  return true;
}

// Next number of a line in the given base, which must end at a blank or at
// the end of the line; *p moves past it.
bool NextNumber(const char** p, int base, long long* out) {
  const char* s = *p;
  while (*s == ' ' || *s == '\t') s++;
  const bool sign = base == 10 && *s == '-';
  if (!isxdigit(static_cast<unsigned char>(sign ? s[1] : s[0]))) return false;
  char* end = nullptr;
  errno = 0;
  const long long v = strtoll(s, &end, base);
  if (errno != 0 || end == s || (*end != '\0' && *end != ' ' && *end != '\t')) return false;
  *out = v;
  *p = end;
  return true;
}

// A line of exactly n decimal numbers.
bool ReadNumbers(const char* line, long long* out, int n) {
  const char* p = line;
  for (int i = 0; i < n; i++)
    if (!NextNumber(&p, 10, &out[i])) return false;
  return IsBlankLine(p);
}

bool InRange(long long v, long long lo, long long hi) {
  return v >= lo && v <= hi;
}

// One game-record line: move word, score, depth, game50, seconds, captured
// kind and colour code, flags, hashbd and hashkey in hex, then the SAN.
bool ParseEntry(const char* line, GameEntry* e) {
  long long v[10];
  const char* p = line;
  for (int i = 0; i < 10; i++)
    if (!NextNumber(&p, i < 7 ? 10 : 16, &v[i])) return false;
  if (*p == ' ' || *p == '\t') p++;
  const size_t san_len = strlen(p);
  if (san_len >= sizeof e->san) return false;
  if (!InRange(v[0], 0, UINT32_MAX) || !InRange(v[1], INT16_MIN, INT16_MAX) ||
      !InRange(v[2], INT16_MIN, INT16_MAX) || !InRange(v[3], 0, kLastEntry) ||
      !InRange(v[4], INT16_MIN, INT16_MAX) || !InRange(v[5], no_piece, queen) ||
      !InRange(v[6], 0, 2) || !InRange(v[7], 0, UINT16_MAX) || !InRange(v[8], 0, UINT32_MAX) ||
      !InRange(v[9], 0, UINT32_MAX))
    return false;
  const auto move = static_cast<uint32_t>(v[0]);
  if (MoveFrom(move) > 63 || MoveTo(move) > 63) return false;
  memset(e, 0, sizeof *e);
  e->move = move;
  e->score = static_cast<int16_t>(v[1]);
  e->depth = static_cast<int16_t>(v[2]);
  e->game50 = static_cast<int16_t>(v[3]);
  e->seconds = static_cast<int16_t>(v[4]);
  e->captured = static_cast<int16_t>(v[5]);
  e->captured_color = static_cast<uint8_t>(CodeColour(v[6]));
  e->hashbd = static_cast<uint32_t>(v[8]);
  e->hashkey = static_cast<uint32_t>(v[9]);
  memcpy(e->san, p, san_len + 1);
  return true;
}

// A game file as read, checked before it replaces the game.
struct LoadedGame {
  char name[kMaxNameLen + 1];
  long long selective, player, computer, opponent, game50;
  long long castld[2];
  long long tcflag, operator_time, ilev;
  long long time_left[2], moves_to_go[2];
  Scratch pos;
  int count;
  GameEntry entries[kGameSize];  // 1..count
};

LoadedGame loaded;  // too big for the stack

// Reads the whole game file into g. false for any line that does not fit the
// format or the ranges of its fields, or more entries than a game holds.
bool ReadGameFile(FILE* file, LoadedGame* g) {
  char line[256];
  long long n[4];

  // 1. Opponent's name: the first word of the line.
  if (ReadLine(file, line, sizeof line) != 1) return false;
  char name[sizeof line];
  if (sscanf(line, "%255s", name) != 1) name[0] = '\0';
  if (strlen(name) > kMaxNameLen) return false;
  strcpy(g->name, name);

  // 2. Modes, roles, castling, time control and clocks.
  if (ReadLine(file, line, sizeof line) != 1 || !ReadNumbers(line, n, 3)) return false;
  g->selective = n[1], g->player = n[2];
  if (!InRange(g->selective, INT16_MIN, INT16_MAX) || !InRange(g->player, white, black))
    return false;
  if (ReadLine(file, line, sizeof line) != 1 || !ReadNumbers(line, n, 3)) return false;
  g->computer = n[0] - 1, g->opponent = n[1] - 1, g->game50 = n[2];
  if (!InRange(g->computer, white, black) || !InRange(g->opponent, white, black) ||
      !InRange(g->game50, 0, kGameSize))
    return false;
  if (ReadLine(file, line, sizeof line) != 1 || !ReadNumbers(line, g->castld, 2)) return false;
  if (!InRange(g->castld[0], 0, 1) || !InRange(g->castld[1], 0, 1)) return false;
  if (ReadLine(file, line, sizeof line) != 1 || !ReadNumbers(line, n, 3)) return false;
  g->tcflag = n[0], g->operator_time = n[1], g->ilev = n[2];
  if (!InRange(g->tcflag, INT16_MIN, INT16_MAX) || !InRange(g->operator_time, 0, INT32_MAX) ||
      !InRange(g->ilev, INT32_MIN, INT32_MAX))
    return false;
  if (ReadLine(file, line, sizeof line) != 1 || !ReadNumbers(line, n, 4)) return false;
  for (int side = white; side <= black; side++) {
    g->time_left[side] = n[side];
    g->moves_to_go[side] = n[2 + side];
    if (!InRange(n[side], INT32_MIN, INT32_MAX) || !InRange(n[2 + side], INT16_MIN, INT16_MAX))
      return false;
  }

  // 3. The 64 squares: kind * 256 + colour code, and the move count.
  for (int sq = 0; sq < 64; sq++) {
    if (ReadLine(file, line, sizeof line) != 1 || !ReadNumbers(line, n, 2)) return false;
    if (!InRange(n[0], 0, king * 256 + 2) || !InRange(n[1], 0, INT16_MAX)) return false;
    const long long kind = n[0] / 256, code = n[0] % 256;
    if (code > 2 || (kind == no_piece) != (code == 0)) return false;
    g->pos.board[sq] = static_cast<int16_t>(kind);
    g->pos.color[sq] = CodeColour(code);
    g->pos.mvboard[sq] = static_cast<int16_t>(n[1]);
  }

  // 4. The game record, to the end of the file.
  g->count = 0;
  for (;;) {
    const int got = ReadLine(file, line, sizeof line);
    if (got == 0) break;
    if (got < 0) return false;
    if (IsBlankLine(line)) continue;
    if (g->count == kLastEntry) return false;
    if (!ParseEntry(line, &g->entries[++g->count])) return false;
  }
  // The last irreversible move lies inside the game.
  return g->game50 <= g->count + 1;
}

// The man on from can go to to as its kind moves (castling aside): a
// slider along a free line, a pawn ahead onto empty squares or aside onto a
// man or past a pawn that has just double-stepped.
bool ManGoes(const Scratch& s, int from, int to) {
  const int side = s.color[from];
  const int df = File(to) - File(from), dr = Rank(to) - Rank(from);
  const int adf = abs(df), adr = abs(dr);
  switch (s.board[from]) {
    case pawn: {
      const int ahead = side == white ? 1 : -1;
      if (adf == 1 && dr == ahead) {
        const int behind = to - 8 * ahead;
        return s.color[to] == 1 - side ||
               (s.color[to] == neutral && s.board[behind] == pawn && s.color[behind] == 1 - side);
      }
      if (df != 0 || s.color[from + 8 * ahead] != neutral) return false;
      if (dr == ahead) return true;
      const int start = side == white ? 1 : 6;
      return dr == 2 * ahead && Rank(from) == start && s.color[to] == neutral;
    }
    case knight:
      return (adf == 1 && adr == 2) || (adf == 2 && adr == 1);
    case king:
      return adf <= 1 && adr <= 1;
    default:
      break;
  }
  const bool straight = df == 0 || dr == 0, diagonal = adf == adr;
  const int kind = s.board[from];
  if (!(kind == rook && straight) && !(kind == bishop && diagonal) &&
      !(kind == queen && (straight || diagonal)))
    return false;
  const int step = (dr > 0 ? 8 : dr < 0 ? -8 : 0) + (df > 0 ? 1 : df < 0 ? -1 : 0);
  for (int sq = from + step; sq != to; sq += step)
    if (s.color[sq] != neutral) return false;
  return true;
}

// The king of the side whose man stands on sq is not attacked (true when
// sq is off the board or empty: the take-back refuses those).
bool KingSafe(const Scratch& s, int sq) {
  if (sq > 63 || s.color[sq] == neutral) return true;
  const int side = s.color[sq];
  for (int k = 0; k < 64; k++)
    if (s.board[k] == king && s.color[k] == side)
      return !BoardAttacks(s.board, s.color, k, 1 - side);
  return false;
}

// Takes the loaded moves back one by one on a copy of the final position:
// every entry must fit the board, the sides must alternate, and only entry
// 1 may be the placeholder for White's missing move. On the way each
// entry's en-passant square and hash words are set as the position before
// the move had them. Sets the side to move; false when the record is broken.
bool CheckLoadedMoves(LoadedGame* g, int* side_to_move) {
  Scratch s = g->pos;
  int next_mover = -1;  // mover of the entry after the one taken back
  int last_mover = -1;
  for (int i = g->count; i >= 1; i--) {
    GameEntry& e = g->entries[i];
    if (e.move == 0) {
      if (i != 1 || next_mover == white) return false;
      break;
    }
    // The move left its king safe; a castling king neither stood in check
    // nor crossed an attacked square.
    if (!KingSafe(s, MoveTo(e.move))) return false;
    int mover;
    bool castling;
    if (!TakeBack(&s, e, &mover, &castling)) return false;
    if (next_mover >= 0 && mover == next_mover) return false;
    const int from = MoveFrom(e.move), passed = (from + MoveTo(e.move)) / 2;
    if (castling ? BoardAttacks(s.board, s.color, from, 1 - mover) ||
                       BoardAttacks(s.board, s.color, passed, 1 - mover)
                 : !ManGoes(s, from, MoveTo(e.move)))
      return false;
    if (last_mover < 0) last_mover = mover;
    next_mover = mover;
    // A capture en passant had its square; the first move after a set-up
    // has no move before it to tell.
    const int ep = (MoveFlags(e.move) & MF_EP) ? MoveTo(e.move)
                   : i >= 2 ? EnPassantAfter(s.board, s.color, g->entries[i - 1].move)
                            : 0;
    e.epsq = static_cast<uint8_t>(ep);
    ScratchHash(s, ep, &e.hashkey, &e.hashbd);
  }
  if (last_mover >= 0)
    *side_to_move = 1 - last_mover;
  else
    *side_to_move = g->count > 0 ? black : static_cast<int>(g->player);
  return true;
}

// The side whose move comes next: the other side than the mover of the last
// entry, else `player`.
int SideToMove() {
  if (GameCnt >= 1 && GameList[GameCnt].move != 0) {
    const int mover = color[MoveTo(GameList[GameCnt].move)];
    if (mover != neutral) return 1 - mover;
  }
  return player;
}

// ---- PGN export ----

// Reads one answer; a word beginning with ESC clears the tag and cancels.
bool Ask(char* word, size_t size, char* tag) {
  word[0] = '\0';
  scanz(word, size);
  if (word[0] != kEscape) return true;
  tag[0] = '\0';
  return false;
}

void SetTag(char* tag, const char* value) {
  snprintf(tag, kTagSize, "%s", value);
}

// The opponent's name without the blank that a loaded game adds.
void OpponentName(char* dst, size_t size) {
  snprintf(dst, size, "%s", oppnam);
  size_t len = strlen(dst);
  while (len > 0 && dst[len - 1] == ' ') dst[--len] = '\0';
}

// Fills the tags, asking where an answer is due. false = cancelled.
bool AskTags() {
  char word[kTagSize];
  char engine[kTagSize];
  char opp[kTagSize];
  snprintf(engine, sizeof engine, "%s-%s%s", prognam, version, patchlevel);
  OpponentName(opp, sizeof opp);
  for (;;) {
    // Players: the engine's name for its side, the opponent's for the other.
    for (int side = white; side <= black; side++) {
      char* tag = side == white ? pgn_white : pgn_black;
      if (tag[0] == '\0') SetTag(tag, computer == side ? engine : opp);
      if (force || strcmp(tag, "Opponent") == 0) {
        if (!Ask(word, sizeof word, tag)) return false;
        if (word[0] != '\0') SetTag(tag, word);
      }
    }
    for (char* tag : {pgn_site, pgn_event}) {
      if (!Ask(word, sizeof word, tag)) return false;
      if (word[0] == ' ')
        tag[0] = '\0';
      else if (word[0] != '\0')
        SetTag(tag, word);
    }
    if (pgn_date[0] == '\0') {
      const time_t now = time(nullptr);
      const struct tm* t = gmtime(&now);
      if (t != nullptr)
        snprintf(pgn_date, kTagSize, "%4d.%02d.%02d", t->tm_year + 1900, t->tm_mon + 1, t->tm_mday);
    }
    if (pgn_round[0] == '\0') SetTag(pgn_round, "1");
    if (force) {
      if (!Ask(word, sizeof word, pgn_round)) return false;
      if (word[0] != '\0') SetTag(pgn_round, word);
    }
    if (pgn_result[0] == '\0' && !force) {
      // From the engine's last score: clear either way, or close to even.
      const int32_t s = root->score;
      const int32_t white_view = computer == white ? s : -s;
      if (white_view > 400)
        SetTag(pgn_result, "1-0");
      else if (white_view < -400)
        SetTag(pgn_result, "0-1");
      else
        SetTag(pgn_result, abs(s) < 200 ? "1/2-1/2" : "*");
    } else {
      if (!Ask(word, sizeof word, pgn_result)) return false;
      if (!strcmp(word, "0"))
        SetTag(pgn_result, "0-1");
      else if (!strcmp(word, "1"))
        SetTag(pgn_result, "1-0");
      else if (!strcmp(word, "1/2"))
        SetTag(pgn_result, "1/2-1/2");
      else if (word[0] != '\0')
        SetTag(pgn_result, "*");
    }
    if (!force) return true;
    word[0] = '\0';
    scanz(word);
    if (word[0] == kEscape) return false;
    if (word[0] != 'n' && word[0] != 'N') return true;
  }
}

// Cuts a file name before its extension: the first '.' of the last path
// component that does not follow another '.'.
void CutExtension(char* name) {
  char* base = name;
  for (char* p = name; *p != '\0'; p++)
    if (*p == '/' || *p == '\\') base = p + 1;
  for (char* p = base; *p != '\0'; p++)
    if (*p == '.' && (p == base || p[-1] != '.')) {
      *p = '\0';
      return;
    }
}

void WritePgn(std::string* file) {
  const char* result = pgn_result[0] != '\0' ? pgn_result : "*";
  AddText(file, "[Event \"%s\"]\n", pgn_event);
  AddText(file, "[Site \"%s\"]\n", pgn_site);
  AddText(file, "[Date \"%s\"]\n", pgn_date);
  AddText(file, "[Round \"%s\"]\n", pgn_round);
  AddText(file, "[White \"%s\"]\n", pgn_white);
  AddText(file, "[Black \"%s\"]\n", pgn_black);
  AddText(file, "[Result \"%s\"]\n", result);
  if (FEN_string[0] != '\0') {
    AddText(file, "[SetUp \"1\"]\n");
    AddText(file, "[FEN \"%s\"]\n", FEN_string);
  }
  AddText(file, "\n");
  for (int i = 1; i <= GameCnt; i++) {
    const GameEntry& e = GameList[i];
    const char* mark = (MoveFlags(e.move) & MF_CHECK) ? "+ " : " ";
    if (i & 1)
      AddText(file, "%d. %.7s%s", (i + 1) / 2, e.san, mark);
    else
      AddText(file, "%.7s%s", e.san, mark);
    if (i % 6 == 0) AddText(file, "\n");
  }
  AddText(file, "%s\n\n\n", result);
}

// Says in one line that the file name could not be opened or written.
void SayFailure(Saved saved, const char* name) {
  if (saved == Saved::kOk) return;
  OutPrintf(saved == Saved::kNotOpened ? "Could not open file: %s\n" : "Could not write file: %s\n",
            name);
  OutFlush();
}

}  // namespace

int EditBoard() {
  Scratch s;
  CopyCurrent(&s);
  int side = white;
  char word[80];
  for (;;) {
    word[0] = '\0';
    scanz(word);
    if (word[0] == '.') break;
    if (word[0] == '#') {
      ClearScratch(&s);
      continue;
    }
    if (word[0] == 'c' || word[0] == 'C') {
      side = 1 - side;
      continue;
    }
    const int sq = WordSquare(word);
    if (sq < 0) continue;
    int letter_side;
    const int kind = KindOfLetter(
        kFenLetters, static_cast<char>(toupper(static_cast<unsigned char>(word[0]))), &letter_side);
    s.board[sq] = static_cast<int16_t>(kind);
    s.color[sq] = static_cast<int16_t>(kind == no_piece ? neutral : side);
  }
  // The edited position starts a new game, the side to move as before.
  const bool may_castle[2] = {castld[white] == 0, castld[black] == 0};
  char fen[kFenSize];
  ScratchFen(s, player, may_castle, fen, sizeof fen);
  return FEN_to_pos(fen);
}

int GetPosition() {
  char name[kPosFileSize];
  name[0] = '\0';
  scanz(name);
  FILE* file = name[0] != '\0' ? fopen(name, "r") : nullptr;
  if (file == nullptr) return 1;

  Scratch s;
  ClearScratch(&s);
  int side = white;
  char word[64];
  while (ReadFileWord(file, word, sizeof word)) {
    if (word[0] == 'Z' && isalpha(static_cast<unsigned char>(word[1]))) {
      side = word[1] == 'W' ? white : black;
      continue;
    }
    const int sq = WordSquare(word);
    int man_side;
    const int kind = sq < 0 ? no_piece : KindOfLetter(kFileLetters, word[0], &man_side);
    if (kind == no_piece) continue;
    s.board[sq] = static_cast<int16_t>(kind);
    s.color[sq] = static_cast<int16_t>(man_side);
  }
  fclose(file);

  // Checked (and refused without a change) by FEN_to_pos before the new game.
  const bool may_castle[2] = {true, true};
  char fen[kFenSize];
  ScratchFen(s, side, may_castle, fen, sizeof fen);
  if (FEN_to_pos(fen) != 0) return 1;
  NewGame(2);
  const int refused = FEN_to_pos(fen);
  ASSERT(refused == 0);
  (void)refused;
  snprintf(PosFile, sizeof PosFile, "%s", name);
  // A man on its initial square's kind counts as unmoved.
  for (int sq = 0; sq < 64; sq++) Mvboard[sq] = board[sq] == Stboard[sq] ? 0 : kMovedMan;
  ClearScreen();
  UpdateDisplay(0, 0, 1, 0);
  return 0;
}

void PutPosition() {
  char name[kPosFileSize];
  char title[128];
  name[0] = title[0] = '\0';
  scanz(name);
  if (name[0] == '\0') strcpy(name, "chess.000");
  scanz(title);
  std::string file;
  AddText(&file, ";%s\n", title);
  for (int sq = 0; sq < 64; sq++) {
    if (color[sq] == neutral || board[sq] < pawn || board[sq] > king) continue;
    AddText(&file, "%c%c%c\n", kFileLetters[color[sq]][board[sq]], 'a' + File(sq), '1' + Rank(sq));
  }
  AddText(&file, "%s\n", player == white ? "ZW" : "ZS");
  SayFailure(SaveText(name, file), name);
}

void SaveGame(int last) {
  char name[kPosFileSize];
  name[0] = '\0';
  if (last)
    strcpy(name, "last.gam");
  else
    scanz(name);
  if (name[0] == '\0') strcpy(name, "chess.000");
  std::string file;
  AddText(&file, "%s\n", oppnam);
  AddText(&file, "%d %d %d\n", 0, selective, player);
  AddText(&file, "%d %d %d\n", computer + 1, opponent + 1, Game50);
  AddText(&file, "%d %d\n", castld[white], castld[black]);
  AddText(&file, "%d %d %d\n", TCflag, OperatorTime, ilev);
  AddText(&file, "%ld %ld %d %d\n", static_cast<long>(TimeControl[white].timeLeft),
          static_cast<long>(TimeControl[black].timeLeft), TimeControl[white].movesToGo,
          TimeControl[black].movesToGo);
  for (int sq = 0; sq < 64; sq++)
    AddText(&file, "%d %d\n", board[sq] * 256 + ColourCode(color[sq]), Mvboard[sq]);
  for (int i = 1; i <= GameCnt; i++) {
    const GameEntry& e = GameList[i];
    AddText(&file, "%ld %d %d %hd %d %d %d %x %lx %lx %.7s\n", static_cast<long>(e.move), e.score,
            e.depth, e.game50, e.seconds, e.captured, ColourCode(e.captured_color),
            MoveFlags(e.move), static_cast<unsigned long>(e.hashbd),
            static_cast<unsigned long>(e.hashkey), e.san);
  }
  // The old file is replaced only by a whole new one.
  const Saved saved = SaveText(name, file);
  if (saved == Saved::kNotOpened)
    OutPrintf("Could not open file: %s", name);
  else if (saved == Saved::kNotWritten)
    OutPrintf("Could not write file: %s\n", name);
  else
    OutPrintf("Game saved to file: <%s>", name);
  OutFlush();
}

int GetGame(int last) {
  char name[kPosFileSize];
  name[0] = '\0';
  if (!last) scanz(name);
  if (name[0] == '\0') strcpy(name, "last.gam");
  FILE* file = fopen(name, "r");
  if (file == nullptr) return 1;
  LoadedGame& g = loaded;
  const bool read = ReadGameFile(file, &g);
  fclose(file);
  int side = white;
  if (!read || !CheckLoadedMoves(&g, &side)) return 1;

  // The position goes through FEN_to_pos, which refuses what cannot be played.
  const bool no_castling[2] = {false, false};
  char fen[kFenSize];
  char start_fen[sizeof FEN_string];
  ScratchFen(g.pos, side, no_castling, fen, sizeof fen);
  memcpy(start_fen, FEN_string, sizeof start_fen);
  if (FEN_to_pos(fen) != 0) return 1;
  memcpy(FEN_string, start_fen, sizeof FEN_string);

  memcpy(Mvboard, g.pos.mvboard, sizeof Mvboard);
  castld[white] = static_cast<int16_t>(g.castld[white]);
  castld[black] = static_cast<int16_t>(g.castld[black]);
  memset(GameList, 0, sizeof GameList);
  for (int i = 1; i <= g.count; i++) GameList[i] = g.entries[i];
  GameCnt = static_cast<int16_t>(g.count);
  Game50 = static_cast<int16_t>(g.game50);
  snprintf(oppnam, sizeof oppnam, "%s ", g.name);
  selective = static_cast<int16_t>(g.selective);
  // The side to move, whose move the engine awaits, is the one the record
  // leads to (FEN_to_pos set the roles so); a file whose fields say
  // otherwise would let the wrong side move on "go".
  TCflag = static_cast<int16_t>(g.tcflag);
  OperatorTime = static_cast<int32_t>(g.operator_time);
  ilev = static_cast<int32_t>(g.ilev);
  for (int sd = white; sd <= black; sd++) {
    TimeControl[sd].timeLeft = static_cast<int32_t>(g.time_left[sd]);
    TimeControl[sd].movesToGo = static_cast<int16_t>(g.moves_to_go[sd]);
  }
  if (TimeControl[white].timeLeft > 0) TCflag = 1;

  InitializeStats();
  if (GameCnt >= 1) SetEnPassant(EnPassantAfter(board, color, GameList[GameCnt].move));
  CntMoves = GameCnt;
  LastBookMove = GameCnt;
  UpdateDisplay(0, 0, 1, 0);
  if (selective < 0) selective = 3;
  ASSERT(PositionIsConsistent());
  return 0;
}

void ListGame(const char* name) {
  if (name == nullptr || name[0] == '\0') return;
  std::string file;
  char date[32];
  const time_t now = time(nullptr);
  const struct tm* t = localtime(&now);
  // The date as ctime writes it, the day padded with a blank.
  char day[8], clock[16];
  if (t == nullptr || strftime(date, 8, "%a %b ", t) == 0 ||
      strftime(clock, sizeof clock, " %H:%M:%S %Y", t) == 0)
    date[0] = '\0';
  else if (snprintf(day, sizeof day, "%2d", t->tm_mday) > 0)
    snprintf(date + strlen(date), sizeof date - strlen(date), "%s%s", day, clock);
  AddText(&file, "%s %s%s - %s   %s\n", prognam, version, patchlevel, oppnam, date);
  AddText(&file, "\n");
  AddText(&file, "        move   score  depth  time         ");
  AddText(&file, "   move   score  depth  time\n");
  for (int i = 1; i <= GameCnt; i++) {
    const GameEntry& e = GameList[i];
    if (i & 1)
      AddText(&file, "\n%3d. ", i / 2 + 1);
    else
      AddText(&file, "         ");
    AddText(&file, "%8.7s  %5d     %2d %5d", e.san, e.score, e.depth, e.seconds);
  }
  AddText(&file, "\n\n");
  SayFailure(SaveText(name, file), name);
}

int Undo() {
  if (GameCnt < 1) return 0;
  const GameEntry e = GameList[GameCnt];
  Scratch s;
  CopyCurrent(&s);
  int mover;
  bool castling;
  if (!TakeBack(&s, e, &mover, &castling)) return 0;
  memcpy(board, s.board, sizeof board);
  memcpy(color, s.color, sizeof color);
  memcpy(Mvboard, s.mvboard, sizeof Mvboard);
  if (castling) castld[mover] = 0;
  if (TCflag == 1) TimeControl[mover].movesToGo++;
  GameCnt--;
  computer = 1 - computer;
  opponent = 1 - opponent;
  player = mover;
  mate = 0;
  LastBookMove--;
  UpdateDisplay(0, 0, 1, 0);
  InitializeStats();
  // The position before the move: its en-passant square and 50-move count.
  SetEnPassant(e.epsq);
  Game50 = e.game50;
  ASSERT(PositionIsConsistent());
  return 1;
}

int Redo() {
  if (GameCnt + 1 > kLastEntry) return 0;
  const GameEntry saved = GameList[GameCnt + 1];
  const int from = MoveFrom(saved.move), to = MoveTo(saved.move);
  const uint16_t flags = MoveFlags(saved.move);
  if (from == 0 && to == 0) return 0;
  const int side = SideToMove();
  if (from > 63 || to > 63 || color[from] != side) return 0;

  // Only a legal move of the position is made again.
  constexpr int ply = 2;
  MoveList(side, ply);
  TreeEntry node{};
  bool found = false;
  for (TreeEntry* m = TrPnt[ply]; m < TrPnt[ply + 1] && !found; m++) {
    if (m->from != from || m->to != to) continue;
    if ((m->flags & MF_PROMOTE) && (m->flags & MF_PROMO_PIECE) != (flags & MF_PROMO_PIECE))
      continue;
    node = *m;
    found = true;
  }
  if (!found) return 0;
  MakeMove(side, &node);
  if (SqAtakd(PieceList[side][0], 1 - side)) {
    UnmakeMove(side, &node);
    return 0;
  }
  // The record keeps the move's score, time and SAN, and its check mark.
  GameList[GameCnt].move = MoveWord(node) | (static_cast<uint32_t>(flags & MF_CHECK) << 16);

  if (TCflag == 1) TimeControl[side].movesToGo--;
  computer = 1 - computer;
  opponent = 1 - opponent;
  player = 1 - side;
  mate = 0;
  UpdateDisplay(0, 0, 1, 0);
  if (hashflag) ZeroTTable();
  LastBookMove++;
  ASSERT(PositionIsConsistent());
  return 1;
}

void ExportGame(const char* name) {
  char word[kPosFileSize];
  if (name != nullptr && name[0] != '\0') {
    snprintf(word, sizeof word, "%s", name);
  } else {
    word[0] = '\0';
    scanz(word);
    if (word[0] == kEscape) return;
  }
  if (word[0] == '\0') strcpy(word, "000.pgn");
  CutExtension(word);
  char file_name[kPosFileSize + 8];
  snprintf(file_name, sizeof file_name, "%s.pgn", word);
  // Opened (and so created) before the questions, as the tags are asked
  // only for a file that can take the game; the game is added in one go.
  FILE* file = OpenForWriting(file_name, "a");
  if (file == nullptr) {
    SayFailure(Saved::kNotOpened, file_name);
    return;
  }
  fclose(file);
  if (!AskTags()) return;
  std::string pgn;
  WritePgn(&pgn);
  SayFailure(AppendText(file_name, pgn), file_name);
}
