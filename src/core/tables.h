// Constant per-piece and per-side tables and the initial position.
#pragma once

#include <array>
#include <cstdint>

// Piece values in centipawns, by piece kind.
inline constexpr int16_t value[7] = {0, 100, 348, 360, 550, 1090, 1200};
// 1 for the sliding kinds.
inline constexpr int16_t sweep[7] = {0, 0, 0, 1, 1, 1, 0};
// Flag that an attack of each kind ORs into an attack word.
inline constexpr int16_t control[7] = {0, 0x4000, 0x2800, 0x1800, 0x0400, 0x0200, 0x0100};
// Single bits of the attack flags: a knight, a bishop, a queen; a diagonal
// attacker is a bishop or a queen.
inline constexpr int16_t kKnightAttack = 0x2000;
inline constexpr int16_t kBishopAttack = 0x1000;
inline constexpr int16_t kQueenAttack = 0x0200;
inline constexpr int16_t kDiagonalAttack = kBishopAttack | kQueenAttack;
static_assert((control[2] & kKnightAttack) != 0 && (control[3] & kKnightAttack) == 0);
static_assert((control[3] & kBishopAttack) != 0 && (control[5] & kQueenAttack) != 0);

// Move-table type per side and piece kind: a black pawn is type 7.
inline constexpr int16_t ptype[2][8] = {{0, 1, 2, 3, 4, 5, 6, 0}, {0, 7, 2, 3, 4, 5, 6, 0}};

// Per-side ranks and king home squares (third element unused).
inline constexpr int16_t rank6[3] = {5, 2, 0};
inline constexpr int16_t rank7[3] = {6, 1, 0};
inline constexpr int16_t kingP[3] = {4, 60, 0};

namespace tables_detail {
constexpr std::array<int16_t, 64> MakeEpMove(bool second) {
  std::array<int16_t, 64> t{};
  for (int x = 0; x < 64; x++) {
    t[x] = static_cast<int16_t>(x);
    int file = x & 7;
    if (x >= 16 && x <= 23) {
      if (!second && file != 0) t[x] = static_cast<int16_t>(x + 7);
      if (second && file != 7) t[x] = static_cast<int16_t>(x + 9);
    } else if (x >= 40 && x <= 47) {
      if (!second && file != 0) t[x] = static_cast<int16_t>(x - 9);
      if (second && file != 7) t[x] = static_cast<int16_t>(x - 7);
    }
  }
  return t;
}
}  // namespace tables_detail

// The two squares from which a pawn may take en passant on square X
// (X itself where there is no such square).
inline constexpr std::array<int16_t, 64> epmove1 = tables_detail::MakeEpMove(false);
inline constexpr std::array<int16_t, 64> epmove2 = tables_detail::MakeEpMove(true);

// The initial position.
inline constexpr int16_t Stboard[64] = {
    4, 2, 3, 5, 6, 3, 2, 4, 1, 1, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 1, 1, 1, 1, 4, 2, 3, 5, 6, 3, 2, 4};
inline constexpr int16_t Stcolor[64] = {
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2,
    2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1};

static_assert(epmove1[16] == 16 && epmove2[16] == 25 && epmove1[23] == 30 && epmove2[23] == 23);
static_assert(epmove1[41] == 32 && epmove2[41] == 34 && epmove1[40] == 40 && epmove2[47] == 47);
