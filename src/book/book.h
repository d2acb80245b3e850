// Opening books.
#pragma once

#include <cstdint>

extern int32_t BookOn;        // book files open and in use
extern int32_t LastBookMove;  // game-record index of the last book move

// A new game opens the book window again.
void NewGameBook();
// Opens the binary books.
void OpenBook();

// Book use on (1) or off (0); reopens the books when switched on.
void SwitchBook(int on);
// Writes the size file and empty book files.
void InitBook();
// Counts used records and stored moves.
void StatBook();
// Compiles one text book into the book files.
void AddBook(const char* path);
// Puts a book move first in the root list: 1 when the position is in the book.
int OpeningBook();
// The book move of the current position while pondering (0 = none).
uint16_t RepFromBook(int* index, int* weight);
