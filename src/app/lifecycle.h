// The engine's lifecycle: start-up, new games, position resets and the way
// out. Each module resets its own state; this file calls them in order.
#pragma once

// Prints the start-up banner.
void PrintBanner();
// Reports the sizes of the hash tables and fills hashsize.
void PrintHashSizes();
// Start-up sequence: 0 on success, 1 on failure.
int EnterChess();
// Starts a new game: mode 1 from the GUI or menu, mode 2 as the first step
// of a position setup, a game load or a book line.
void NewGame(int mode);
// After a change of position that is not a move (setup, load, undo): the
// board's derived arrays, and what the search knew of the old position.
void InitializeStats();
// Reads commands and lets the engine move until "quit".
void MainLoop();
// Saves the learning file and ends the program with status 0.
[[noreturn]] void ExitChess();
// Test hook, null in the engine: called by ExitChess before the program
// ends; a fuzzer's hook throws to get its run back instead.
extern void (*ExitHook)();
