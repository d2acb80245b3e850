#include "book/book.h"

int32_t BookOn = 1;
int32_t LastBookMove = 0;

// No book files are read yet: every position is out of book.
void OpenBook() {}

// Until the book files exist these only keep the switch.
void SwitchBook(int on) {
  BookOn = on;
}
void InitBook() {}
void StatBook() {}
void AddBook(const char* /*path*/) {}
int OpeningBook() {
  return 0;
}
uint16_t RepFromBook(int* /*index*/, int* /*weight*/) {
  return 0;
}

void NewGameBook() {
  LastBookMove = 0;
}
