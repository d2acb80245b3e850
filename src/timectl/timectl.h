// Time controls: the settings that the clock code reads. The commands and
// the console menu that change them are the command loop's (ui/levels).
//
// TCflag tells the kind of control: 1 a number of moves in a given time (up
// to three periods), 2 all remaining moves in a given time (perhaps with an
// increment), 0 a fixed time per move. The GUI's "level", "st", "time" and
// "otim" and the console's numbered levels all end up here.
#pragma once

#include <cstdint>

extern int16_t TCflag;        // kind of control, see above
extern int16_t TCmoves;       // moves per period (an estimate in sudden death)
extern int16_t TCminutes;     // minutes per period
extern int16_t TCseconds;     // extra seconds (fixed time per move)
extern int16_t TCadd;         // increment in seconds per move
extern int32_t TCaddCs;       // the same in centiseconds ("level 0 0:10 0.1" gives 10)
extern int32_t Level;         // level number 1..16; 17 increment mode; 0 none
extern int32_t ilev;          // level chosen at the console menu
extern int32_t TCindex;       // period the game is in
extern int32_t OperatorTime;  // seconds of operator delay per engine move
extern int16_t contempt;      // contempt value in centipawns
extern int32_t moves[3], minutes[3], seconds[3], increment[3];  // the periods
extern int32_t incrementCs[3];  // the periods' increments in centiseconds

// Start-up defaults: 40 moves in 120 minutes, a clock check every 4096 nodes.
void InitTimeControl();
// A new game: the first period, no contempt.
void NewGameClock();
// Loads both clocks: to_go moves, add centiseconds (added to what is left
// when grow is set).
void LoadBothClocks(int16_t to_go, int32_t add, bool grow);
// Starts a period: loads both clocks.
void SetTimeControl();
