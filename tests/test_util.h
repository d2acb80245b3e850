// Helpers shared by the unit tests.
#pragma once

#include <functional>
#include <string>

// Builds the static tables once and starts a new game.
void FreshGame();
// Square number of a name such as "e4".
int Sq(const char* name);
// Starts a new game from a FEN; fails the test when the FEN is refused.
void SetFen(const char* fen);
// Runs f with the engine's output going to a string, and returns it.
std::string CaptureOutput(const std::function<void()>& f);
