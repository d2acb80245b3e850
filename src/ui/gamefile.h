// Positions and games in and out: the FEN the game started from and the PGN
// tags, the console board editor, the position file, the saved-game file, the
// printable move list, taking moves back and replaying them, PGN export.
//
// Whatever comes from the editor or from a file is first built on scratch
// arrays and checked in full; the position itself is then set up through
// FEN_to_pos, which holds the rules for a position the engine can play. A
// refused edit or file leaves the position, the game record and the roles
// exactly as they were. File names and answers are read as input words.
// Files written replace the old ones only whole, a PGN game is added whole
// or not at all; a failure is said in one line ("Could not open file: %s",
// "Could not write file: %s").
#pragma once

#include <cstddef>

constexpr int kTagSize = 80;
constexpr int kPosFileSize = 64;

extern char FEN_string[128];        // start position of the game, empty for the normal one
extern char PosFile[kPosFileSize];  // name of the last position file read
extern char pgn_event[kTagSize], pgn_site[kTagSize], pgn_date[kTagSize], pgn_round[kTagSize];
extern char pgn_white[kTagSize], pgn_black[kTagSize], pgn_result[kTagSize];

// Clears the start FEN and the PGN tags (new game).
void ClearGameTags();

// Console board editor: words such as "Pe4" place a man of the current
// colour, "xe4" empties a square, "c" switches colour, "#" empties the board,
// "." ends. The result starts a new game record. 0 = set up, 1 = refused.
int EditBoard();

// Position file: reads the name (kept in PosFile) and sets the position up
// as a new game. 0 = set up, 1 = no file or a refused position.
int GetPosition();
// Writes the position file named by the next word, with the title that follows.
void PutPosition();

// Saves the game: last = 1 to "last.gam", else to the file named by the next
// word ("chess.000" when it is empty).
void SaveGame(int last);
// Loads a saved game: last = 1 from "last.gam", else from the file named by
// the next word ("last.gam" when empty). 0 = loaded, 1 = no file or refused.
int GetGame(int last);

// Writes the printable move list to the named file; nothing without a name.
void ListGame(const char* name);

// Takes back the last move of the game record. 1 when a move was taken back.
int Undo();
// Replays the move after the last one when it is legal. 1 when it was made.
int Redo();

// Appends the game as PGN to the named file (or the one named by the next
// word), asking for the tags that need an answer.
void ExportGame(const char* name);
