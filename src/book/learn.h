// Position learning kept across games.
#pragma once

#include <cstdint>

extern int32_t LearnFlag;  // the learning table is loaded
extern int32_t learn;      // the search stores and probes learning data

// Loads the learning file.
void InitLearn();
// Saves the learning table and turns learning off.
void CloseLearn();
// Turns learning on or off (saving the table when it goes off).
void SwitchLearn();

// Looks the position up for side at ply; on a hit narrows the window or
// gives the score and returns the entry's flag (1 exact, 2 lower, 4 upper),
// else 0. No table is kept yet: always 0.
int ProbeLearn(int side, int depth, int32_t* alpha, int32_t* beta, int32_t* score, int ply);
// Stores a search result of a node near the root. No table is kept yet.
void PutInLearn(int side, int depth, int32_t score, int32_t alpha, int32_t beta, uint32_t move,
                int ply);
