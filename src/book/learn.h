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
