#include "ui/output.h"

#include <cstdarg>

FILE* OutFile = stdout;

void OutPrintf(const char* fmt, ...) {
  va_list args;
  va_start(args, fmt);
  vfprintf(OutFile, fmt, args);
  va_end(args);
}

void OutFlush() {
  fflush(OutFile);
}
