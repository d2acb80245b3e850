// The program's identity and where its data files live.
#pragma once

extern const char* const prognam;  // "Vorna"
extern const char* const version;  // "B.68"
extern const char* const patchlevel;
extern const char* const Gendat;  // build date
extern char vornapath[128];       // program directory, with its trailing separator

// Cuts the program's own path back to its directory (argv[0] -> vornapath).
void SetVornaPath(const char* argv0);
