#include "core/startup.h"

#include <cstdio>
#include <cstring>

const char* const prognam = "Vorna";
const char* const version = "B.68";
const char* const patchlevel = "";
const char* const Gendat = "02.02.2004";
char vornapath[128];
FILE* (*OpenDataFile)(const char* path, const char* mode) = std::fopen;

void SetVornaPath(const char* argv0) {
  snprintf(vornapath, sizeof vornapath, "%s", argv0);
  for (int i = static_cast<int>(strlen(vornapath)) - 1; i >= 0; i--) {
    if (vornapath[i] == '/' || vornapath[i] == '\\') break;
    vornapath[i] = '\0';
  }
}
