#include "core/movetables.h"

#include <cstdlib>
#include <utility>

#include "core/tables.h"

int16_t nunmap[120];
const int16_t direc[8][8] = {{0, 0, 0, 0, 0, 0, 0, 0},           {10, 9, 11, 0, 0, 0, 0, 0},
                             {8, -8, 12, -12, 19, -19, 21, -21}, {9, 11, -9, -11, 0, 0, 0, 0},
                             {1, 10, -1, -10, 0, 0, 0, 0},       {1, 10, -1, -10, 9, 11, -9, -11},
                             {1, 10, -1, -10, 9, 11, -9, -11},   {-10, -9, -11, 0, 0, 0, 0, 0}};
const int16_t max_steps[8] = {0, 2, 1, 7, 7, 7, 1, 2};
NextStep next[8][64][64];
StepSet Steps[8][64];
uint64_t KingZone[64];
uint8_t distdata[65][65];
uint8_t taxidata[64][64];
int16_t FieldColor[64];

namespace {

// The rays of one man: up to eight directions of up to seven squares.
struct RayBuild {
  int len[8];
  int sq[8][7];
};

RayBuild BuildRays(int type, int mailbox) {
  const int origin = nunmap[mailbox];
  RayBuild r{};
  for (int d = 0; d < 8; d++) {
    r.len[d] = 0;
    r.sq[d][0] = origin;
    if (direc[type][d] == 0) continue;
    const bool is_pawn = type == 1 || type == 7;
    int m = mailbox;
    for (int step = 0; step < max_steps[type]; step++) {
      // Captures take one step; only pawns on their home rank step twice.
      if (is_pawn && step > 0 && (d > 0 || Stboard[origin] != 1)) break;
      m += direc[type][d];
      if (m < 0 || m >= 120 || nunmap[m] < 0) break;
      r.sq[d][r.len[d]++] = nunmap[m];
    }
  }
  // Empty directions go behind the later ones, the others keep their order.
  for (int i = 1; i < 8; i++) {
    int j = i;
    while (j > 0 && r.len[j - 1] == 0 && r.len[j] != 0) {
      std::swap(r.len[j - 1], r.len[j]);
      for (int k = 0; k < 7; k++) std::swap(r.sq[j - 1][k], r.sq[j][k]);
      j--;
    }
  }
  return r;
}

void ChainPawn(NextStep* nx, int origin, const RayBuild& r) {
  // Pushes: O -> first -> second (if any) -> O.
  int p = origin;
  for (int k = 0; k < r.len[0]; k++) {
    nx[p].nextpos = static_cast<uint8_t>(r.sq[0][k]);
    p = r.sq[0][k];
  }
  nx[p].nextpos = static_cast<uint8_t>(origin);
  // Captures: O -> first capture square -> second -> O.
  nx[origin].nextdir = static_cast<uint8_t>(r.sq[1][0]);
  if (r.len[1] > 0) nx[r.sq[1][0]].nextdir = static_cast<uint8_t>(r.sq[2][0]);
}

// The flat copy of the nextdir chain of type t on o.
void FlattenSteps(int t, int o) {
  const NextStep* nx = next[t][o];
  StepSet& st = Steps[t][o];
  st = StepSet{};
  for (int u = nx[o].nextdir; u != o && st.count < 8; u = nx[u].nextdir)
    st.sq[st.count++] = static_cast<uint8_t>(u);
}

void ChainPiece(NextStep* nx, int origin, const RayBuild& r) {
  nx[origin].nextdir = static_cast<uint8_t>(r.sq[0][0]);
  int p = origin;
  for (int i = 0; i < 8; i++) {
    for (int k = 0; k < r.len[i]; k++) {
      const int x = r.sq[i][k];
      nx[p].nextpos = static_cast<uint8_t>(x);
      p = x;
      if (i < 7) nx[x].nextdir = static_cast<uint8_t>(r.sq[i + 1][0]);
    }
  }
}

}  // namespace

// Builds the mailbox map and the nextpos/nextdir chains of every move-table type.
void Initialize_moves() {
  for (int m = 0; m < 120; m++) {
    const int row = m / 10, col = m % 10;
    nunmap[m] = (row >= 2 && row <= 9 && col >= 1 && col <= 8)
                    ? static_cast<int16_t>((row - 2) * 8 + col - 1)
                    : static_cast<int16_t>(-1);
  }
  for (int t = 0; t < 8; t++)
    for (int o = 0; o < 64; o++)
      for (int x = 0; x < 64; x++)
        next[t][o][x] = {static_cast<uint8_t>(o), static_cast<uint8_t>(o)};
  for (int t = 1; t < 8; t++) {
    for (int m = 21; m <= 98; m++) {
      const int origin = nunmap[m];
      if (origin < 0) continue;
      const RayBuild r = BuildRays(t, m);
      if (t == 1 || t == 7)
        ChainPawn(next[t][origin], origin, r);
      else
        ChainPiece(next[t][origin], origin, r);
      FlattenSteps(t, origin);
    }
  }
  for (int o = 0; o < 64; o++) {
    KingZone[o] = 0;
    for (int x = 0; x < 64; x++)
      if (std::abs((o & 7) - (x & 7)) <= 1 && std::abs((o >> 3) - (x >> 3)) <= 1)
        KingZone[o] |= uint64_t{1} << x;
  }
}

// King and Manhattan distances; square 64 stands for an absent man.
void Initialize_dist() {
  for (int a = 0; a < 65; a++)
    for (int b = 0; b < 65; b++) {
      if (a == 64 || b == 64) {
        distdata[a][b] = 64;
        continue;
      }
      const int df = std::abs((a & 7) - (b & 7)), dr = std::abs((a >> 3) - (b >> 3));
      distdata[a][b] = static_cast<uint8_t>(df > dr ? df : dr);
      taxidata[a][b] = static_cast<uint8_t>(df + dr);
    }
}

// Dark squares (a1 is dark) get 1.
void Initialize_fcol() {
  for (int sq = 0; sq < 64; sq++) FieldColor[sq] = ((sq & 7) + (sq >> 3)) % 2 == 0 ? 1 : 0;
}

void InitializeTables() {
  Initialize_dist();
  Initialize_moves();
  Initialize_fcol();
}
