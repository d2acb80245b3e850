// Endgame tablebases: the registry of table files, the probe and the block
// cache.
//
// A table has one file per side to move, one signed byte per position: 0 a
// draw, 127 - n a win in n moves, n - 126 a loss in n moves, 127 unknown.
// A file may also be block-compressed (its name ending in ".emd"); its
// blocks are decoded into the cache as they are read (tbdecode.h).
// Files are registered at start-up from a list of directories and opened
// when first read. Blocks of 8192 positions are kept in one cache carved
// from the caller's memory into entries of 8260 bytes (a 32-byte header and
// the block with slack for the decoder), found through 32 chains per table
// side and replaced least recently used first.
#pragma once

#include <cstddef>
#include <cstdint>

#include "egtb/tbindex.h"

extern int32_t tb_access;        // most men (kings included) the tables cover: 0, 3, 4 or 5
extern int64_t cbEGTBCompBytes;  // bytes held for decoding compressed files
extern int64_t cbAllocated;      // bytes allocated through PvMalloc
extern int32_t cUncompressed;    // files registered by the last IInitializeTb
extern int32_t cCompressed;

// Called after a registration error was printed (a file of the wrong length,
// a broken compressed header): ends the program with status 1. A
// replacement that returns leaves that table side unregistered.
extern void (*TbRegistrationFailed)();

// A new game closes the files that are open.
void NewGameTb();
// Hands the cache memory over; false (no cache) when it is under 32 bytes.
bool FTbSetCacheSize(void* buffer, size_t bytes);
// Registers the tables found in the directories of path (separated by ',',
// ';' or, except on Windows, ':'), forgetting those registered before and
// emptying the cache; returns the most men covered: 0, 3, 4 or 5.
int IInitializeTb(const char* path);
// Registers the file of one table side found in dir.
bool FCheckExistance(const char* dir, int iTb, int side);
// Empties the cache.
void VTbClearCache();
// Closes the open tablebase files; the next probe reopens them.
void VTbCloseFiles();
// 1 with *score (for side to move, ply from the root) when the position has a
// tablebase value, else 0.
int nEGTBProbe(int ply, int side, int32_t* score);
// The value of one position of a table side: 0 draw, 32640 + n wins, -32640 - n
// losses (see the byte coding above), 32767 when it cannot be read.
int L_TbtProbeTable(int iTb, int side, uint32_t index);
// The table of ten material counters (white then black pawns, knights,
// bishops, rooks, queens): +iTb, -iTb with the colours exchanged, 0 none.
int IDescFindFromCounters(const int* counters);
// The ten counters of a material name such as "kqkr".
void VSetCounters(int* counters, const char* name);
bool FRegisteredFun(int iTb, int side);
PfnIndCalc PfnIndCalcFun(int iTb, int side);
// The registered (or preset) number of positions of a table side.
uint32_t TbLength(int iTb, int side);
// Checks the cache: the recency and free lists are doubly linked as they
// should be and hold every entry once, each cached block sits in the chain
// of its table side at its place, and no block is cached twice.
// 1 when so, else 0 with *why naming the broken rule.
int TbCacheIsConsistent(const char** why = nullptr);
// Allocation that counts the bytes and ends the program when memory is out.
void* PvMalloc(size_t bytes);
