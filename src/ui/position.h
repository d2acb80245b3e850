// Positions as FEN text: setting one up and writing the current one.
//
// A FEN is read into a scratch board and checked in full before anything
// changes, so a rejected text leaves the position, the game record and the
// roles exactly as they were. Castling rights become Mvboard counts: a corner
// rook that may not castle counts as moved (10). The en-passant square is
// kept only when a pawn of the side to move stands ready to take there, as
// after a double step in play, so the hash matches the same position reached
// by moves.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr size_t kFenSize = 128;  // room for any FEN this module writes

// Sets up the position of a FEN text and starts a new game record from it;
// the half-move and move-number fields are ignored. 0 = accepted, 1 =
// rejected (nothing changed).
int FEN_to_pos(const char* text);
// Writes the FEN of the current position into dst (kFenSize bytes).
void pos_to_FEN(char* dst);
// The same, cut to size bytes (always terminated when size > 0).
void pos_to_FEN(char* dst, size_t size);
// Whether side attacks sq on the board of board/color arrays (no piece
// lists needed): for checking positions that are not set up.
bool BoardAttacks(const int16_t* b, const int16_t* c, int sq, int side);
// The placement field of board/color arrays (rank 8 to 1, empty squares as
// digits) into out, which needs 72 bytes.
void WritePlacement(const int16_t* b, const int16_t* c, char* out);
