// Test-suite runs: a command file read in place of typed input, with one
// answer line per engine move in "answer.out".
#pragma once

// Starts a run; the command file is name, or the next input word when null.
void Solve(const char* name);
