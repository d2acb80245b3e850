#include "eval/weights.h"

#include <algorithm>

#include "core/board.h"
#include "core/vorna.h"

int32_t stage = -1, stage2 = -1;
int16_t Zwmtl = 0, Zbmtl = 0;
int16_t OpenFyles = -1;
int16_t OpenPos = -1;
int32_t RookEnding = 0;

int16_t PawnBonus, PAWNSHIELD;
int16_t KNIGHTPOST, KNIGHTSTRONG, BISHOPSTRONG;
int16_t BishopBonus, BishopPairBonus, RookBonus, RHOPNF;
int16_t KATAK, KSFTY, KCASTLD, KMOVD, KHOPN, KHOPNX;
int16_t RemotePassed;
int16_t ppmply, mmply, ymply;
uint32_t WeightsKey = 0;

namespace {

int16_t I16(int v) {
  return static_cast<int16_t>(v);
}

// Every weight folded into one word.
uint32_t DigestWeights() {
  const int32_t all[] = {stage,        stage2,          OpenFyles,  OpenPos,      RookEnding,
                         PawnBonus,    PAWNSHIELD,      KNIGHTPOST, KNIGHTSTRONG, BISHOPSTRONG,
                         BishopBonus,  BishopPairBonus, RookBonus,  RHOPNF,       KATAK,
                         KSFTY,        KCASTLD,         KMOVD,      KHOPN,        KHOPNX,
                         RemotePassed, ppmply,          mmply,      ymply};
  uint32_t h = 0;
  for (const int32_t v : all) h = (h ^ static_cast<uint32_t>(v)) * 0x01000193u;
  return h;
}

// Openness from the pawn files: one count per side missing on a file; the
// walk ends on the file where the third fully open file is found.
int CountOpenness() {
  int count = 0;
  OpenFyles = 0;
  for (int f = 0; f < 8; f++) {
    const bool w = PawnCnt[white][f] == 0, b = PawnCnt[black][f] == 0;
    count += w + b;
    if (w && b && ++OpenFyles == 3) break;
  }
  return std::clamp(count, 2, 5);
}

}  // namespace

void UpdateWeights() {
  // 1. Unchanged material: nothing to do.
  if (mtl[white] == Zwmtl && mtl[black] == Zbmtl) return;

  // 2. Pawn files.
  const int openness = CountOpenness();

  // 3.-4. Stage from the piece material.
  Zwmtl = mtl[white];
  Zbmtl = mtl[black];
  const int T = emtl[white] + emtl[black];
  const int new_stage = T > 6600 ? 0 : T <= 1399 ? 10 : (6600 - T) / 520;

  // 5.-7. The weights follow stage and openness.
  if (new_stage != stage || openness != OpenPos) {
    OpenPos = I16(openness);
    stage = new_stage;
    stage2 = T > 3600 ? 0 : T <= 1399 ? 10 : (3600 - T) / 220;
    const int st = stage, op = OpenPos;
    PAWNSHIELD = I16(12 - st);
    const bool rooks_only =
        (emtl[white] == 1100 && emtl[black] == 1100) || (emtl[white] == 550 && emtl[black] == 550);
    RookEnding = rooks_only ? 1 : 0;
    PawnBonus = I16(rooks_only ? -5 : st);
    KNIGHTPOST = I16((st + 2) / 3);
    KNIGHTSTRONG = BISHOPSTRONG = I16((st + 6) / 2);
    BishopBonus = I16(8 - (pmtl[white] + pmtl[black]) / 100);
    BishopPairBonus = I16(st + 4 * op);
    RHOPNF = I16(2 * (6 - OpenFyles));
    RookBonus = I16(2 * st + (emtl[white] == 0 || emtl[black] == 0 ? 120 : 0));
    const int h = (st - 10) * (op + 2) / 2;
    KHOPNX = I16(h / 2);
    KHOPN = I16(2 * h / 3);
    KCASTLD = I16(10 - st);
    KMOVD = I16(-40 / (st + 1));
    KATAK = I16((10 - st) / 2);
    KSFTY = I16(st < 8 ? 2 * (op - st) + 16 : 0);
    if (st <= 2) {
      ppmply = 1;
      mmply = 0;
    } else {
      ppmply = I16(st - 2);
      mmply = I16((st - 2) / 4);
    }
    if (emtl[white] != 0 && emtl[black] != 0) ppmply = I16(3 * ppmply > 3 ? 3 * ppmply / 4 : 1);
    ymply = I16(st / 3);
  }

  // 8. The outside passed pawn grows as pieces come off.
  RemotePassed = I16(T == 0 ? 94 : T <= 799 ? 66 : 6 * stage2 - 12);
  WeightsKey = DigestWeights();
}
