// Test-suite runs: a command file read in place of typed input, with one
// answer line per engine move in "answer.out". The command file is `Batch`
// and the answer file `Answer` of the input layer; both are closed when the
// command file is used up, and input goes on from standard input.
#pragma once

#include <cstdint>

// Starts a run; the command file is name, or the next input word when null.
// A missing command file changes nothing. A run started from a command
// file replaces that run, up to 16 runs in a chain; the next is refused in
// one line and the current run goes on. An answer file that cannot be
// written is reported in one line and the run does not start.
void Solve(const char* name);

// The answer line for the engine's move of score s: the position file, the
// evaluation, the node rate, the move and when it was found. Does nothing
// while no run is active.
void WriteAnswer(int32_t s);
