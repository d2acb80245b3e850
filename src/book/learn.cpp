#include "book/learn.h"

int32_t LearnFlag = 1;
int32_t learn = 1;

// No learning file is kept yet.
void InitLearn() {}
void CloseLearn() {
  LearnFlag = 0;
}
void SwitchLearn() {
  learn = !learn;
}

int ProbeLearn(int, int, int32_t*, int32_t*, int32_t*, int) {
  return 0;
}
void PutInLearn(int, int, int32_t, int32_t, int32_t, uint32_t, int) {}
