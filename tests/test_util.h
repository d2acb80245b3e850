// Helpers shared by the unit tests.
#pragma once

#include <string>

// Builds the static tables once and starts a new game.
void FreshGame();
// Square number of a name such as "e4".
int Sq(const char* name);
