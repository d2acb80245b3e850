// Settings read from the configuration file at start-up.
#pragma once

#include <cstdint>

extern int16_t ics;              // playing through a GUI or server
extern int16_t beep;             // beeps after unexpected input
extern int32_t ics_level;        // level applied at start-up
extern int32_t ics_maxhash;      // hash memory budget in megabytes
extern int32_t ics_ponder;       // pondering allowed
extern int32_t ics_book;         // book use allowed
extern int32_t ics_selective;    // selective search
extern int32_t ics_draw;         // the engine may offer draws
extern int32_t ics_show_ponder;  // thinking lines also while pondering
extern int32_t ResignOption;     // gradual resignation allowed

// Memory budget for the hash tables in bytes.
int64_t get_free_mem();
// Reads the configuration file from the program directory.
void ReadInitFile();
// The greeting sent once a game: "kibitz Vorna-B.68 says hello".
void kibitz();
