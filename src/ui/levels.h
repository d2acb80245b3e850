// The time-control commands and the console's numbered levels: they read
// their arguments from the input and set the time controls.
#pragma once

void ICS_Level();          // "level": rest of the line holds up to three periods
void SetSearchTime();      // "st": seconds per move from the rest of the line
void SetMachineTime();     // "time": engine's remaining time (next word)
void SetOppTime();         // "otim": opponent's remaining time (next word)
void SetRemainingTime();   // "tc": engine's remaining minutes (next word)
void ChangeSearchDepth();  // "depth": deepest iteration (next word)
void SetContempt();        // "contempt" (next word)
void SetLevel(int n);      // numbered level n; level 16 asks for missing periods
void SelectLevel();        // console level menu
void Set1stMoves();
void Set1stTime();
void Set2ndMoves();
void Set2ndTime();
void Set3rdMoves();
void Set3rdTime();
