#include "book/book.h"

int32_t BookOn = 1;
int32_t LastBookMove = 0;

// No book files are read yet: every position is out of book.
void OpenBook() {}
