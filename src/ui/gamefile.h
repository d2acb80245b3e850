// Positions and game files: the FEN the game started from and the PGN tags.
#pragma once

constexpr int kTagSize = 80;

extern char FEN_string[128];  // start position of the game, empty for the normal one
extern char pgn_event[kTagSize], pgn_site[kTagSize], pgn_date[kTagSize], pgn_round[kTagSize];
extern char pgn_white[kTagSize], pgn_black[kTagSize], pgn_result[kTagSize];

// Clears the start FEN and the PGN tags (new game).
void ClearGameTags();
