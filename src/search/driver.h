// Search driver: state of the engine's move choice.
#pragma once

#include <cstdint>

extern int32_t Sdepth;          // depth of the current iteration
extern int32_t MaxSearchDepth;  // deepest iteration
extern char DrawComment[64];    // reason given with a drawn result
extern int32_t BookMoveFound;   // the last move came from the book
