// Endgame tablebases: the registry of table files, the probe and the block
// cache.
#pragma once

#include <cstddef>
#include <cstdint>

extern int32_t tb_access;        // most men (kings included) the tables cover: 0, 3, 4 or 5
extern int64_t cbEGTBCompBytes;  // bytes held for decoding compressed files

// A new game closes the files that are open.
void NewGameTb();
// Hands the cache memory over; false (no cache) when it cannot hold one entry.
bool FTbSetCacheSize(void* buffer, size_t bytes);
// Registers the tables found in the directories of path (separated by ',',
// ';' or ':'); returns the most men covered: 0, 3, 4 or 5.
int IInitializeTb(const char* path);
// Empties the cache.
void VTbClearCache();
// Closes the open tablebase files; the next probe reopens them.
void VTbCloseFiles();
// 1 with *score (for side to move, ply from the root) when the position has a
// tablebase value, else 0.
int nEGTBProbe(int ply, int side, int32_t* score);
