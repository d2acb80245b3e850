#include "ui/display.h"

#include "core/board.h"
#include "search/hashtable.h"
#include "ui/output.h"

int16_t reverse = 0;

void NewGameDisplay() {
  reverse = 0;
}

void UpdateDisplay(int from, int to, int /*redraw*/, int /*castle*/) {
  if (from == 0 && to == 0) return;
  if (from != to) CntMoves = GameCnt;
}

void ShowMessage(const char* /*text*/) {}

void ClearScreen() {
  OutPrintf("\033[2J");
}
void GotoXY(int row, int col) {
  OutPrintf("\033[%d;%dH", row, col);
}
void ClearEol() {
  OutPrintf("\033[K");
}
