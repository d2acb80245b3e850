// The engine's 32-bit linear congruential generator. Seeded with 1 before
// the hash codes are drawn, so they are the same in every run.
#pragma once

#include <cstdint>

extern uint32_t RandNext;

uint32_t u_rand();  // next value, 0..65535
void s_rand(uint32_t seed);
