// gtb_crosscheck VORNA_TB_DIR GAVIOTA_DIR: compares every legal position of
// the five 3-man endings (kpk, knk, kbk, krk, kqk, with the man on either
// side and either side to move) between the engine's own probe and the
// Gaviota tables of the same material. The two sets were built apart, so
// agreement on value and distance to mate checks the generator, the index
// functions, the registry and the probe's score mapping together.
//
// Gaviota counts plies to mate; the engine's probe scores a position at ply 1
// as a mate score: mate in n moves is 10000 - 2n (the mate falls on ply
// 1 + 2n - 1), mated in m moves is 2m - 9999 (the mate falls on ply 1 + 2m).
// Prints one line per ending, the first mismatches, and closes with the
// plain "N passed, N failed" line over the endings; exits 1 on any mismatch.
#include <gtb-probe.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "../squares_fen.h"
#include "app/lifecycle.h"
#include "core/movetables.h"
#include "core/vorna.h"
#include "egtb/egtb.h"
#include "ui/position.h"

namespace {

constexpr int kMaxShown = 10;  // mismatches printed per ending
constexpr const char kPieceLetters[] = " pnbrqk";

int File(int sq) {
  return sq & 7;
}
int Rank(int sq) {
  return sq >> 3;
}

bool Adjacent(int a, int b) {
  const int df = File(a) - File(b), dr = Rank(a) - Rank(b);
  return df >= -1 && df <= 1 && dr >= -1 && dr <= 1;
}

// True when a man of the given kind and colour on from attacks to; blocker is
// the only other square that can stand in a line between them.
bool Attacks(int kind, int side, int from, int to, int blocker) {
  const int df = File(to) - File(from), dr = Rank(to) - Rank(from);
  switch (kind) {
    case pawn:
      return (df == 1 || df == -1) && dr == (side == white ? 1 : -1);
    case knight:
      return (df * df + dr * dr) == 5;
    default:
      break;
  }
  const bool straight = df == 0 || dr == 0;
  const bool diagonal = df == dr || df == -dr;
  if (from == to ||
      !(kind == queen || (kind == rook && straight) || (kind == bishop && diagonal && !straight)))
    return false;
  if (!straight && !diagonal) return false;
  const int step = (dr > 0 ? 8 : dr < 0 ? -8 : 0) + (df > 0 ? 1 : df < 0 ? -1 : 0);
  for (int sq = from + step; sq != to; sq += step)
    if (sq == blocker) return false;
  return true;
}

// The FEN of kings wk, bk and one man of kind on sq for side owner.
std::string Fen(int wk, int bk, int kind, int owner, int sq, int stm) {
  char squares[64];
  for (char& c : squares) c = 0;
  squares[wk] = 'K';
  squares[bk] = 'k';
  squares[sq] = owner == white ? kPieceLetters[kind] - 'a' + 'A' : kPieceLetters[kind];
  return SquaresFen(squares, stm);
}

// The engine's score at ply 1 that a Gaviota answer stands for; false when
// the answer makes no sense (a win in an even number of plies).
bool ExpectedScore(unsigned info, unsigned plies, int stm, int32_t* score, std::string* text) {
  if (info == tb_DRAW) {
    *score = 0;
    *text = "draw";
    return true;
  }
  if (info != tb_WMATE && info != tb_BMATE) return false;
  const int winner = info == tb_WMATE ? white : black;
  if (winner == stm) {
    if (plies % 2 == 0) return false;
    const int moves = static_cast<int>(plies + 1) / 2;
    *score = 10001 - 1 - 2 * moves;
    *text = "mate in " + std::to_string(moves);
  } else {
    if (plies % 2 != 0) return false;
    const int moves = static_cast<int>(plies) / 2;
    *score = 1 + 2 * moves - 10000;
    *text = "mated in " + std::to_string(moves);
  }
  return true;
}

struct Tally {
  long compared = 0, wins = 0, losses = 0, draws = 0, mismatches = 0;
};

// Every legal position with one man of kind for owner; adds to tally.
void CheckEnding(int kind, int owner, Tally* tally) {
  int shown = 0;
  const int lo = kind == pawn ? 8 : 0, hi = kind == pawn ? 56 : 64;
  for (int stm = white; stm <= black; stm++)
    for (int wk = 0; wk < 64; wk++)
      for (int bk = 0; bk < 64; bk++) {
        if (bk == wk || Adjacent(wk, bk)) continue;
        for (int sq = lo; sq < hi; sq++) {
          if (sq == wk || sq == bk) continue;
          // The side that has just moved may not be left in check.
          const int victim = stm == white ? bk : wk;
          const int own_king = stm == white ? wk : bk;
          if (owner == stm && Attacks(kind, owner, sq, victim, own_king)) continue;

          // Gaviota's lists: the king first, then the man; ended by a
          // no-square and a no-piece entry.
          const unsigned none = tb_NOSQUARE;
          const unsigned man = static_cast<unsigned>(sq);
          const unsigned wsq[] = {static_cast<unsigned>(wk), owner == white ? man : none, none};
          const unsigned bsq[] = {static_cast<unsigned>(bk), owner == black ? man : none, none};
          const unsigned char piece = static_cast<unsigned char>(kind), nopiece = tb_NOPIECE;
          const unsigned char wpc[] = {tb_KING, owner == white ? piece : nopiece, nopiece};
          const unsigned char bpc[] = {tb_KING, owner == black ? piece : nopiece, nopiece};
          unsigned info = tb_UNKNOWN, plies = 0;
          const int probed =
              tb_probe_hard(stm == white ? tb_WHITE_TO_MOVE : tb_BLACK_TO_MOVE, tb_NOSQUARE,
                            tb_NOCASTLE, wsq, bsq, wpc, bpc, &info, &plies);
          int32_t expected = 0;
          std::string expected_text;
          const bool sane = probed && ExpectedScore(info, plies, stm, &expected, &expected_text);

          const std::string fen = Fen(wk, bk, kind, owner, sq, stm);
          int32_t score = 0;
          const bool set = FEN_to_pos(fen.c_str()) == 0;
          const bool found = set && nEGTBProbe(1, stm, &score) == 1;

          tally->compared++;
          if (sane && found && score == expected) {
            if (expected > 0)
              tally->wins++;
            else if (expected < 0)
              tally->losses++;
            else
              tally->draws++;
            continue;
          }
          tally->mismatches++;
          if (shown++ >= kMaxShown) continue;
          std::string theirs = expected_text;
          if (!probed)
            theirs = "no answer";
          else if (!sane)
            theirs = "odd answer " + std::to_string(info) + "/" + std::to_string(plies);
          std::string ours = "score " + std::to_string(score);
          if (!set)
            ours = "refused the FEN";
          else if (!found)
            ours = "no value";
          std::printf("  mismatch %s: gaviota %s (score %d), engine %s\n", fen.c_str(),
                      theirs.c_str(), expected, ours.c_str());
        }
      }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: gtb_crosscheck VORNA_TB_DIR GAVIOTA_DIR\n");
    return 2;
  }

  // Gaviota: the shipped 3-man files of one compression scheme.
  const char** paths = tbpaths_init();
  paths = tbpaths_add(paths, argv[2]);
  int scheme = tb_CP1;
  const std::string gdir = argv[2];
  if (gdir.find("gtb2") != std::string::npos) scheme = tb_CP2;
  if (gdir.find("gtb3") != std::string::npos) scheme = tb_CP3;
  tb_init(0, scheme, paths);
  tbcache_init(16 << 20, 96);
  if ((tb_availability() & 2) == 0) {
    std::printf("FAIL: no complete 3-man Gaviota set in %s\n", argv[2]);
    return 1;
  }

  // The engine: static tables, a new game, then the tablebase cache and files.
  InitializeTables();
  NewGame(2);
  static std::vector<char> cache(4 << 20);
  if (!FTbSetCacheSize(cache.data(), cache.size())) {
    std::printf("FAIL: FTbSetCacheSize refused %zu bytes\n", cache.size());
    return 1;
  }
  const int men = IInitializeTb(argv[1]);
  if (men < 3) {
    std::printf("FAIL: IInitializeTb(%s) found %d-man tables, not the 3-man ones\n", argv[1], men);
    return 1;
  }
  tb_access = men;

  int passed = 0, failed = 0;
  long total = 0, total_bad = 0;
  for (int kind = pawn; kind <= queen; kind++)
    for (int owner = white; owner <= black; owner++) {
      Tally t;
      CheckEnding(kind, owner, &t);
      const std::string name =
          owner == white ? std::string("K") + static_cast<char>(kPieceLetters[kind] - 32) + " v K"
                         : std::string("K v K") + static_cast<char>(kPieceLetters[kind] - 32);
      std::printf("%s %-8s %7ld positions: %6ld wins, %6ld losses, %6ld draws, %ld mismatches\n",
                  t.mismatches ? "FAIL" : "ok  ", name.c_str(), t.compared, t.wins, t.losses,
                  t.draws, t.mismatches);
      total += t.compared;
      total_bad += t.mismatches;
      if (t.mismatches || t.compared == 0)
        failed++;
      else
        passed++;
    }
  std::printf("%ld positions compared, %ld mismatches\n", total, total_bad);
  std::printf("%d passed, %d failed\n", passed, failed);
  tb_done();
  tbpaths_done(paths);
  return failed ? 1 : 0;
}
