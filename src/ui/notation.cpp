#include "ui/notation.h"

#include <cctype>
#include <cstdio>
#include <cstring>

#include "core/board.h"
#include "core/makemove.h"
#include "core/movegen.h"
#include "core/movetables.h"
#include "platform/platform.h"
#include "search/driver.h"
#include "search/hashtable.h"
#include "search/treesearch.h"
#include "timectl/clock.h"
#include "timectl/timectl.h"
#include "ui/command.h"
#include "ui/config.h"
#include "ui/display.h"
#include "ui/output.h"
#include "ui/testsuite.h"

char mvstr[6];
TreeEntry xnode;
char LastScoreStr[32];
int32_t drawAcc = 0;
int32_t PreResigns = 0;

namespace {

// The last game move must leave room for the search's records behind it.
constexpr int kLastGameMove = kGameSize - 1;

// What a mode-1 move needs to be taken back exactly: the record index it
// occupies and the entry it overwrote there (a redo entry may live there).
bool pending_silent = false;
int16_t silent_cnt = 0;
GameEntry silent_saved;

bool ValidSquare(int sq) {
  return sq >= 0 && sq < 64;
}

// Coordinate text into dst (6 bytes); promotion letter only with MF_PROMOTE.
void CoordText(char* dst, int from, int to, int flags) {
  if (from == to || !ValidSquare(from) || !ValidSquare(to)) {
    dst[0] = '\0';
    return;
  }
  dst[0] = static_cast<char>('a' + File(from));
  dst[1] = static_cast<char>('1' + Rank(from));
  dst[2] = static_cast<char>('a' + File(to));
  dst[3] = static_cast<char>('1' + Rank(to));
  dst[4] = '\0';
  if (flags & MF_PROMOTE) {
    dst[4] = " pnbrqk"[flags & MF_PROMO_PIECE];
    dst[5] = '\0';
  }
}

// Coordinate text of a move word without its promotion letter.
void MoveWordText(char* dst, uint32_t move) {
  CoordText(dst, MoveFrom(move), MoveTo(move), 0);
}

bool IsFile(char c) {
  return c >= 'a' && c <= 'h';
}
bool IsRank(char c) {
  return c >= '1' && c <= '8';
}

// 1 when the king of side stands attacked by the other side.
bool KingAttacked(int side) {
  return SqAtakd(PieceList[side][0], 1 - side) != 0;
}

// "0-1 {White resigns}" or "1-0 {Black resigns}" for the engine's side.
void PrintResignation() {
  if (computer == white) {
    OutPrintf("0-1 {White resigns}\n");
  } else {
    OutPrintf("1-0 {Black resigns}\n");
  }
  OutFlush();
}

}  // namespace

void NewGameNotation() {
  LastScoreStr[0] = '\0';
  PreResigns = 0;
  drawAcc = 0;
}

void algbr(int16_t from, int16_t to, int16_t flags) {
  CoordText(mvstr, from, to, flags);
}

void ScoreText(char* dst, size_t size, int32_t s) {
  if (s > 9000) {
    snprintf(dst, size, "+M%d    ", (kMateValue - s) / 2);
  } else if (s >= 0) {
    snprintf(dst, size, "+%d.%02d", s / 100, s % 100);
  } else if (s >= -9000) {
    snprintf(dst, size, "-%d.%02d", (-s) / 100, (-s) % 100);
  } else {
    snprintf(dst, size, "-M%d    ", (s + kMateValue) / 2);
  }
}

int NormalizeMoveText(char* word, size_t size, int side) {
  if (size == 0) return 0;
  if (IsFile(word[0]) && IsRank(word[1])) {
    // Capture and check marks go; "=Q" becomes "q".
    size_t out = 0;
    for (size_t in = 0; in < size && word[in] != '\0'; in++) {
      char c = word[in];
      if (c == 'x' || c == '+') continue;
      if (c == '=') {
        if (word[in + 1] == '\0') continue;
        c = static_cast<char>(tolower(static_cast<unsigned char>(word[++in])));
      }
      word[out++] = c;
    }
    word[out] = '\0';
  } else if (!strcmp(word, "o-o") || !strcmp(word, "O-O") || !strcmp(word, "0-0")) {
    snprintf(word, size, "%s", side == white ? "e1g1" : "e8g8");
  } else if (!strcmp(word, "o-o-o") || !strcmp(word, "O-O-O") || !strcmp(word, "0-0-0")) {
    snprintf(word, size, "%s", side == white ? "e1c1" : "e8c8");
  }
  return IsFile(word[0]) && IsRank(word[1]) && IsFile(word[2]) && IsRank(word[3]);
}

int VerifyMove(const char* text, int mode, uint32_t* move_out) {
  if (move_out) *move_out = 0;

  // Mode 2: take back the silent move, if it is still the last one made.
  if (mode == 2) {
    if (pending_silent && GameCnt == silent_cnt) {
      UnmakeMove(opponent, &xnode);
      GameList[silent_cnt] = silent_saved;
      ASSERT(PositionIsConsistent());
    }
    pending_silent = false;
    return 0;
  }

  // A full record takes no more game moves.
  if (GameCnt >= kLastGameMove) return 0;

  // The text may be mvstr itself, which the matching below rewrites.
  char typed[8];
  snprintf(typed, sizeof typed, "%s", text);

  // 1. Match the text against the pseudo-legal moves of the position.
  MoveList(opponent, 2);
  int matches = 0;
  for (TreeEntry* e = TrPnt[2]; e < TrPnt[3]; e++) {
    algbr(e->from, e->to, static_cast<int16_t>(e->flags));
    bool match = strcmp(typed, mvstr) == 0;
    if (!match && mode == 0 && mvstr[4] != '\0' && strncmp(typed, mvstr, 4) == 0 &&
        typed[4] != '\0' && typed[4] != ' ' &&
        tolower(static_cast<unsigned char>(typed[4])) == mvstr[4]) {
      match = true;
    }
    if (match) {
      matches++;
      xnode = *e;
    }
  }
  if (matches != 1) return 0;

  // 2. Make it; a move that leaves the mover's king attacked is taken back.
  GameEntry overwritten = GameList[GameCnt + 1];
  memcpy(lboard, board, sizeof board);
  memcpy(lcolor, color, sizeof color);
  MakeMove(opponent, &xnode);
  if (KingAttacked(opponent)) {
    UnmakeMove(opponent, &xnode);
    GameList[GameCnt + 1] = overwritten;
    ASSERT(PositionIsConsistent());
    return 0;
  }
  ASSERT(PositionIsConsistent());

  GameEntry& entry = GameList[GameCnt];
  const int xside = 1 - opponent;
  if (KingAttacked(xside)) entry.move |= static_cast<uint32_t>(MF_CHECK) << 16;

  // 3. Mode 1: the move stays made silently. Its SAN is written now, while
  // the move list of ply 2 still belongs to the position before it, so that
  // a confirmed ponder move finds its record complete.
  if (mode == 1) {
    algbr(xnode.from, xnode.to, 0);
    ToPGNmove(entry.san, xnode.from, xnode.to, static_cast<int16_t>(xnode.flags), 2);
    algbr(xnode.from, xnode.to, static_cast<int16_t>(xnode.flags));
    pending_silent = true;
    silent_cnt = GameCnt;
    silent_saved = overwritten;
    return 1;
  }

  // 4. Mode 0: record the move in the game.
  pending_silent = false;
  UpdateDisplay(xnode.from, xnode.to, (xnode.flags & MF_EP) ? 1 : 0, xnode.flags & MF_CASTLE);
  entry.score = 0;
  entry.depth = 0;
  CheckElapsedTime(1);
  entry.seconds = static_cast<int16_t>(ElapsedTime / 100);
  if (move_out) *move_out = MoveWord(xnode);
  algbr(xnode.from, xnode.to, 0);
  ToPGNmove(entry.san, xnode.from, xnode.to, static_cast<int16_t>(xnode.flags), 2);
  // The old continuation behind this move is no longer part of the game.
  memset(&GameList[GameCnt + 1], 0, sizeof(GameEntry));
  return 1;
}

void ToPGNmove(char* dst, uint8_t from, uint8_t to, int16_t flags, int ply) {
  constexpr size_t kSanSize = sizeof(GameEntry::san);
  char san[16];
  size_t n = 0;
  dst[0] = '\0';
  if (!ValidSquare(from) || !ValidSquare(to) || strlen(mvstr) < 4) return;
  const int kind = lboard[from];

  // Castling: a king move of more than one square.
  if (kind == king && distdata[from][to] > 1) {
    if ((from == 4 && to == 6) || (from == 60 && to == 62)) {
      snprintf(dst, kSanSize, "O-O");
    } else if ((from == 4 && to == 2) || (from == 60 && to == 58)) {
      snprintf(dst, kSanSize, "O-O-O");
    }
    return;
  }

  if (kind != pawn && kind != no_piece) san[n++] = " PNBRQK"[kind];

  // Disambiguation among the men of the same kind and colour that reach the
  // same square: the file when it tells the mover apart from all of them,
  // else the rank, else both (three rooks or queens can need the square).
  bool rival = false, same_file = false, same_rank = false;
  for (TreeEntry* e = TrPnt[ply]; e < TrPnt[ply + 1]; e++) {
    if (e->from == from || e->to != to || !ValidSquare(e->from)) continue;
    if (lboard[e->from] != kind || lcolor[e->from] != lcolor[from]) continue;
    rival = true;
    if (File(e->from) == File(from)) same_file = true;
    if (Rank(e->from) == Rank(from)) same_rank = true;
  }
  if (rival) {
    if (!same_file) {
      san[n++] = mvstr[0];
    } else if (!same_rank) {
      san[n++] = mvstr[1];
    } else {
      san[n++] = mvstr[0];
      san[n++] = mvstr[1];
    }
  }

  if (lcolor[to] != neutral || (flags & (MF_CAPTURE | MF_EP))) {
    if (n == 0) san[n++] = mvstr[0];
    san[n++] = 'x';
  }
  san[n++] = mvstr[2];
  san[n++] = mvstr[3];
  if (flags & MF_PROMOTE) {
    san[n++] = '=';
    san[n++] = " PNBRQK"[flags & MF_PROMO_PIECE];
  }
  // At most 7 characters: a piece, its from-square, 'x' and the square; or a
  // pawn's file, 'x', the square and a promotion. The field has 8 bytes.
  if (n > kSanSize - 1) n = kSanSize - 1;
  memcpy(dst, san, n);
  dst[n] = '\0';
}

void OutputMove() {
  const int32_t s = root->score;

  // 1. Score text, the increment, the display notice.
  ScoreText(LastScoreStr, sizeof LastScoreStr, s);
  if (Level == 17) TimeControl[computer].timeLeft += TCaddCs;
  UpdateDisplay(root->from, root->to, (root->flags & MF_EP) ? 1 : 0, root->flags & MF_CASTLE);

  // 2. Check mark and SAN of the move in the game record.
  if (!mate) {
    GameEntry& entry = GameList[GameCnt];
    if (KingAttacked(1 - computer)) entry.move |= static_cast<uint32_t>(MF_CHECK) << 16;
    algbr(root->from, root->to, static_cast<int16_t>(root->flags));
    ToPGNmove(entry.san, root->from, root->to, static_cast<int16_t>(root->flags), 1);
  }

  // 3. The move line and the summary line.
  if (strlen(mvstr) >= 4) {
    char shown[6];
    memcpy(shown, mvstr, sizeof shown);
    shown[4] = static_cast<char>(toupper(static_cast<unsigned char>(shown[4])));
    if (GameTerminated) return;
    OutPrintf("%d. ... %s\n", (CntMoves - 1) / 2 + 1, shown);
    OutFlush();

    char pv[40];
    size_t len = 0;
    const int max_moves = tb_hits ? 4 : 5;
    pv[0] = '\0';
    for (int i = 1; i <= max_moves && i < kMaxPly && PrVar[i] != 0; i++) {
      char m[6];
      MoveWordText(m, PrVar[i]);
      len += snprintf(pv + len, sizeof pv - len, "%s ", m);
    }
    if (len > 0) {
      pv[len - 1] = '\0';
      OutPrintf("%s%s sc=%s dp=%d nps=%ldK ", SummaryPrefix(), info, LastScoreStr, Sdepth,
                static_cast<long>(evrate / 1000));
      if (tb_hits) OutPrintf("tb=%ld ", static_cast<long>(tb_hits));
      OutPrintf("(%s)\n", pv);
      if (ics_draw && s == 0 && ++drawAcc == 4) OutPrintf("offer draw\n");
    } else if (BookMoveFound) {
      OutPrintf("%s%s sc=%s dp=%d mv=%s (book)\n", SummaryPrefix(), info, "0.00", 0, mvstr);
      drawAcc = 0;
    } else if (inEGTB) {
      OutPrintf("%s%s sc=%s dp=%d mv=%s (egtb)\n", SummaryPrefix(), info, LastScoreStr, 0, mvstr);
      drawAcc = 0;
    }
    if (s != 0) drawAcc = 0;
    OutFlush();
    if (ics_beep) EngineBeep();
  }

  // The answer line of a running test suite.
  WriteAnswer(s);

  // 4. Result lines.
  if (root->flags & MF_DRAW_SCORE) {
    OutPrintf("1/2-1/2 {%s}\n", DrawComment);
    OutFlush();
  } else if (s == kMatedAtRoot) {
    OutPrintf(opponent == white ? "1-0 {White mates}\n" : "0-1 {Black mates}\n");
    OutFlush();
    GameTerminated = 1;
  } else if (s == kMateNextMove) {
    OutPrintf(opponent == white ? "0-1 {Black mates}\n" : "1-0 {White mates}\n");
    OutFlush();
  } else if (s < -9000) {
    PrintResignation();
  } else if (s < -650 && NodeCnt > 200000 && ResignOption) {
    PreResigns++;
  }

  // 5. Resignation after several clearly lost moves.
  if (s < -800 && NodeCnt > 200000 && PreResigns > 2) PrintResignation();

  // 9-10. Node rate, and the clock checks spaced to about fifty a second:
  // the check also polls the input, and a quarter of a second's delay in
  // seeing the opponent's move loses games on time at fast controls. The
  // spacing follows the last move's rate down as well as up (never below
  // 4096 nodes), so that a slow endgame is not checked a tenth as often.
  const uint32_t spent = static_cast<uint32_t>(ElapsedTime + PonderedTime);
  if (spent > 0) {
    const int64_t rate = NodeCnt * 100 / static_cast<int64_t>(spent);
    evrate = rate > INT32_MAX ? INT32_MAX : static_cast<int32_t>(rate);
  } else {
    evrate = 0;
  }
  node_inc = evrate / 50 > 4096 ? evrate / 50 : 4096;
  PonderedTime = 0;
}

void ShowResults(int32_t score, const uint32_t* line, char mark) {
  mydepth = Sdepth;
  const bool own_search = player == computer;
  if (!((post && (own_search || ics_show_ponder)) || analyze)) return;
  if (!analyze && TCflag <= 0) return;
  if (Sdepth <= 5 && mark != ' ') return;

  OutPrintf("%2d %6d %5d %9llu  ", Sdepth, score, ElapsedTime,
            static_cast<unsigned long long>(NodeCnt));
  if (line) {
    char m[6];
    if (hint && !own_search && !analyze) {
      CoordText(m, MoveFrom(hint), MoveTo(hint), 0);
      OutPrintf("(%s) ", m);
    }
    for (int i = 1; i <= 14 && i < kMaxPly && line[i] != 0; i++) {
      MoveWordText(m, line[i]);
      if (i == 1 && mark != '.' && mark != ' ') {
        OutPrintf(" %s%c ", m, mark);
      } else {
        OutPrintf(" %s ", m);
      }
    }
  }
  OutPrintf("\n");
  OutFlush();

  if (!analyze) return;
  if (line) {
    hint = line[1] & 0xffff;
    return;
  }
  if (NodeCnt <= 5) return;
  char m[6];
  CoordText(m, root->from, root->to, root->flags);
  OutPrintf("stat01: %d %llu %d %d %d", ElapsedTime, static_cast<unsigned long long>(NodeCnt),
            mydepth, MoveInfo[1] - MoveInfo[0], MoveInfo[1]);
  if (WinboardProtVer > 1) OutPrintf(" %s", m);
  OutPrintf("\n");
  OutFlush();
}

void GiveHint() {
  algbr(static_cast<int16_t>(MoveFrom(hint)), static_cast<int16_t>(MoveTo(hint)), 0);
  OutPrintf("Hint:%s\n", mvstr);
  OutFlush();
}
