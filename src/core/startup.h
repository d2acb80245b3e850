// Program start-up, the main loop and the way out.
#pragma once

#include <cstdint>

extern const char* const prognam;  // "Vorna"
extern const char* const version;  // "B.68"
extern const char* const patchlevel;
extern const char* const Gendat;  // build date
extern char vornapath[128];       // program directory, with its trailing separator
extern char hashsize[16];         // total hash size text, "%dK"

// Prints the start-up banner.
void PrintBanner();
// Cuts the program's own path back to its directory (argv[0] -> vornapath).
void SetVornaPath(const char* argv0);
// Memory budget for the hash tables in bytes.
int64_t get_free_mem();
// Sizes the hash tables from the memory budget.
void AskForMemSize();
// Prints the sizes of the hash tables and fills hashsize.
void PrintHashSizes();
// Start-up sequence: 0 on success, 1 on failure.
int EnterChess();
// Reads commands and lets the engine move until "quit".
void MainLoop();
// Saves the learning file and ends the program with status 0.
[[noreturn]] void ExitChess();
