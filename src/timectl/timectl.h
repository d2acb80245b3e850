// Time controls and levels: the settings that the clock code reads.
#pragma once

#include <cstdint>

extern int16_t TCflag;     // kind of control: 1 moves per period, 2 increment, <= 0 none
extern int16_t TCmoves;    // moves per period
extern int16_t TCminutes;  // minutes per period
extern int16_t TCseconds;  // extra seconds
extern int16_t TCadd;      // increment in seconds per move
extern int32_t Level;      // level number; 0 = none chosen
extern int32_t ilev;       // level chosen at the console menu
extern int32_t TCindex;    // period the game is in
extern int16_t contempt;   // contempt value in centipawns

// Sets the control of level n.
void SetLevel(int n);
// Starts a period: loads both sides' clocks from the settings.
void SetTimeControl();
// Console level menu.
void SelectLevel();
