// Opening books.
#pragma once

#include <cstdint>

extern int32_t BookOn;        // book files open and in use
extern int32_t LastBookMove;  // game-record index of the last book move

// Opens the binary books.
void OpenBook();
