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
