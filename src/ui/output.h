// All output of the engine passes through one stream, standard output by
// default, so that tests can capture it.
#pragma once

#include <cstdio>

extern FILE* OutFile;

void OutPrintf(const char* fmt, ...) __attribute__((format(gnu_printf, 1, 2)));
void OutFlush();
