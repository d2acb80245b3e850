// Time controls and levels: the settings that the clock code reads.
//
// TCflag tells the kind of control: 1 a number of moves in a given time (up
// to three periods), 2 all remaining moves in a given time (perhaps with an
// increment), 0 a fixed time per move. The GUI's "level", "st", "time" and
// "otim" and the console's numbered levels all end up here.
#pragma once

#include <cstdint>

extern int16_t TCflag;     // kind of control, see above
extern int16_t TCmoves;    // moves per period (an estimate in sudden death)
extern int16_t TCminutes;  // minutes per period
extern int16_t TCseconds;  // extra seconds (fixed time per move)
extern int16_t TCadd;      // increment in seconds per move
extern int32_t Level;      // level number 1..16; 17 increment mode; 0 none
extern int32_t ilev;       // level chosen at the console menu
extern int32_t TCindex;    // period the game is in
extern int16_t contempt;   // contempt value in centipawns
extern int32_t moves[3], minutes[3], seconds[3], increment[3];  // the periods

void ICS_Level();          // "level": rest of the line holds up to three periods
void SetSearchTime();      // "st": seconds per move from the rest of the line
void SetMachineTime();     // "time": engine's remaining time (next word)
void SetOppTime();         // "otim": opponent's remaining time (next word)
void SetRemainingTime();   // "tc": engine's remaining minutes (next word)
void ChangeSearchDepth();  // "depth": deepest iteration (next word)
void SetContempt();        // "contempt" (next word)
void SetLevel(int n);      // numbered level n
void SetTimeControl();     // starts a period: loads both clocks
void SelectLevel();        // console level menu
void Set1stMoves();
void Set1stTime();
void Set2ndMoves();
void Set2ndTime();
void Set3rdMoves();
void Set3rdTime();
