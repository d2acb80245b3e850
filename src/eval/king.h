// King safety: the king's square, attacks on its surroundings, castling and
// open files, with the danger signs kept in KID and NoBreathHole.
#pragma once

#include <cstdint>

// Score of the king of c1 standing on sq.
int16_t ScoreKing(int sq);
