// King safety: the king's square, attacks on its surroundings, castling and
// open files, with the danger signs kept in KID and NoBreathHole.
//
// While enough pieces remain (KSFTY positive), the lines and knight squares
// around the king are walked for squares that enemy pieces aim at, and the
// squares next to it are sorted into shield pawns, free squares and squares
// the enemy dominates; the danger is scaled by the enemy's development.
#pragma once

#include <cstdint>

extern const int16_t KTHRT[36];  // per number of threatened squares

// Score of the king of c1 standing on sq.
int16_t ScoreKing(int sq);
