// The program's identity and where its data files live.
#pragma once

#include <cstdio>

extern const char* const prognam;  // "Vorna"
extern const char* const version;  // "B.68"
extern const char* const patchlevel;
extern const char* const Gendat;  // build date
extern char vornapath[128];       // program directory, with its trailing separator

// Opens the engine's data files (books, learning file); tests replace it
// with one that refuses to write, as a read-only installation would.
extern FILE* (*OpenDataFile)(const char* path, const char* mode);

// Cuts the program's own path back to its directory (argv[0] -> vornapath).
void SetVornaPath(const char* argv0);
