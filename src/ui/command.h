// Engine mode flags and the command loop.
#pragma once

#include <atomic>
#include <cstdint>

extern int16_t force;           // moves of both sides are entered
extern int32_t analyze;         // analysis mode
extern int16_t post;            // thinking lines are printed
extern int16_t bothsides;       // the engine plays both sides
extern int16_t quit;            // the program is to end
extern int16_t mate;            // the game is over on the board
extern int32_t GameTerminated;  // a result was announced
extern uint32_t hint;           // expected reply (short move), 0 = none
extern int32_t GuessOkay;       // the pondered move was played
extern int32_t mydepth;
extern int32_t WinboardProtVer;
extern int32_t handshaked;  // the greeting was sent this game
extern int16_t selective;   // selective (1) or brute-force (0) search
extern int32_t evrate;      // node rate of the last engine move
extern char oppnam[38];
extern std::atomic<int32_t> watchdog;  // keep-alive pings allowed

// The command loop's part of a new game: the game flags and the greeting.
void NewGameCommand();
// Reads and runs commands until a move or a go-type command is accepted.
void InputCommand();
// The keep-alive thread's periodic work: "tellics ping" while allowed.
void KeepAlivePing();
