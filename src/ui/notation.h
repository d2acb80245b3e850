// Move texts in and out: the coordinate text of a move (e2e4, e7e8q), the
// parser that turns a typed move into a legal move of the position and makes
// it, the SAN kept in the game record, the engine's move announcement with
// its summary and result lines, the thinking and analysis lines, the hint.
//
// Everything works on the one global position and game record. `mvstr` holds
// the text of the last move converted by algbr; `xnode` the move the parser
// matched last, so that a move made silently (mode 1) can be taken back.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/vorna.h"

extern char mvstr[6];          // coordinate text of the last algbr, "" for none
extern TreeEntry xnode;        // the move the parser matched last
extern char LastScoreStr[32];  // score text of the engine's last move
extern int32_t drawAcc;        // consecutive engine moves scored exactly 0
extern int32_t PreResigns;     // engine moves with a clearly lost score

// A new game: no last score, no draw or resignation count.
void NewGameNotation();

// Coordinate text of a move into mvstr, with a lower-case promotion letter
// when the flags carry MF_PROMOTE; the empty string when from equals to.
void algbr(int16_t from, int16_t to, int16_t flags);

// Score text of s (centipawns, engine's view): +1.25, -0.05, "+M2    ".
void ScoreText(char* dst, size_t size, int32_t s);

// Rewrites a typed word in place before it is tried as a move: drops 'x' and
// '+' from coordinate words, turns "=Q" into "q", and castling words
// (o-o, O-O, 0-0 and the long forms) into the king's move for side. Returns 1
// when the word now begins with file, rank, file, rank.
int NormalizeMoveText(char* word, size_t size, int side);

// Parses and makes a move of `opponent`. Mode 0 also records it in the game
// record (SAN, check mark, time); mode 1 only makes it; mode 2 takes back the
// move of the last successful mode-1 call. *move_out receives the move word
// in mode 0. Returns 1 when the move was accepted and made.
int VerifyMove(const char* text, int mode, uint32_t* move_out);

// SAN of a move into dst (8 bytes), read from lboard/lcolor (the position
// before the move), mvstr (its coordinate text) and the move list of ply,
// whose entries decide the disambiguation.
void ToPGNmove(char* dst, uint8_t from, uint8_t to, int16_t flags, int ply);

// Announces the engine's move (the root entry, already made on the board),
// its summary line, and the result and resignation lines.
void OutputMove();

// One thinking line: depth, score, time, nodes and the variation line[1..]
// (0-terminated, may be null); mark '!' or '?' flags a window failure. In
// analysis mode without a line, the status line for the GUI.
void ShowResults(int32_t score, const uint32_t* line, char mark);

// Prints the hint line "Hint:e2e4" ("Hint:" when there is none).
void GiveHint();
