#include "core/random.h"

uint32_t RandNext = 1;

uint32_t u_rand() {
  RandNext = RandNext * 1103515245u + 12345u;
  return RandNext >> 16;
}

void s_rand(uint32_t seed) {
  RandNext = seed;
}
