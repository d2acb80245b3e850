// Display notices and terminal sequences. The console build draws no board:
// a move's notice only records which game-record entry was announced last.
#pragma once

#include <cstdint>

extern int16_t reverse;  // board shown from Black's side

// Board shown from White's side again.
void NewGameDisplay();
void UpdateDisplay(int from, int to, int redraw, int castle);
void ShowMessage(const char* text);
void ClearScreen();
void GotoXY(int row, int col);
void ClearEol();
