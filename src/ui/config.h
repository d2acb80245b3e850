// Settings read from the configuration file vorna.ics in the program
// directory at start-up, and the tablebase cache they ask for.
//
// Each line of the file holds one key, a colon and a value. A line is
// known by the first key it holds: MAX_HASH anywhere, PONDER and
// OFFER_DRAW only at its start, then SHOW_PONDER, ENGINE_BEEP, SELECTIVITY,
// RESIGN, ICS-INFO, BOOK, TB_PATH, TB_CACHE anywhere. The value is the text
// after the first colon without its white space; a switch is off when its
// value begins with "OF".
#pragma once

#include <cstddef>
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
extern int32_t ics_beep;         // engine beeps (consoles that have them)
extern int32_t ResignOption;     // gradual resignation allowed
extern char info[64];            // first word of the summary line: "", "whisper" or "kibitz"
extern char tb_path[132];        // tablebase directories; empty: no tablebases
extern int32_t tb_cache;         // tablebase cache in megabytes
extern void* tb_cache_buffer;    // the tablebase cache memory

// Largest number of megabytes a MAX_HASH or TB_CACHE setting may ask for.
constexpr int32_t kMaxSettingMegabytes = 65536;

// Where the tablebase cache gets its memory; tests replace it.
extern void* (*TbCacheAlloc)(size_t bytes);

// Memory budget for the hash tables in bytes.
int64_t get_free_mem();
// Megabytes that a memory setting may use on this machine: at most half
// the physical memory and never more than kMaxSettingMegabytes.
int32_t MemoryLimitMegabytes();
// Reads the configuration file from the program directory, then sets the
// tablebases up and reports them.
void ReadInitFile();
// Copies src into dst without its white space, at most max characters
// (dst holds max + 1 bytes).
void no_space_cpy(char* dst, const char* src, int max);
// Takes the cache back from the tablebase code and frees it.
void FreeTbCache();
// The greeting sent once a game: "kibitz Vorna-B.68 says hello".
void kibitz();
