// King and pawn against king: a cascade of geometric rules on normalised
// 1-based coordinates (pawn on files 1..4, ranks counted from its own side).
#pragma once

// 1 when the position is won for the side with the pawn, that side to move.
int kpkwv_(int pf, int pr, int wf, int wr, int bf, int br);
