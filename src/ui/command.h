// Engine mode flags and the command loop.
#pragma once

#include <atomic>
#include <cstdint>

extern int32_t computer;        // side the engine plays
extern int32_t opponent;        // the other side, whose move the loop expects
extern int32_t player;          // side being searched or entered
extern int16_t force;           // moves of both sides are entered
extern int32_t analyze;         // analysis mode
extern int16_t easy;            // no pondering
extern int16_t post;            // thinking lines are printed
extern int16_t bothsides;       // the engine plays both sides
extern int16_t quit;            // the program is to end
extern int16_t mate;            // the game is over on the board
extern int32_t GameTerminated;  // a result was announced
extern uint32_t hint;           // expected reply (short move), 0 = none
extern int32_t PonderOn;        // a search runs on the opponent's time
extern int32_t lookahead;       // 0 real move, 1 pondering or analysis, 2 prediction
extern int32_t puzzling;        // prediction search running
extern int32_t GuessOkay;       // the pondered move was played
extern int32_t timeout;         // the search is to stop
extern int32_t WouldTimeout;    // the search would stop if it were not pondering
extern int32_t mydepth;
extern int32_t WinboardProtVer;
extern int32_t handshaked;    // the greeting was sent this game
extern int32_t OperatorTime;  // seconds of operator delay per engine move
extern int16_t selective;     // selective (1) or brute-force (0) search
extern int32_t evrate;        // node rate of the last engine move
extern char oppnam[38];
extern char info[64];
extern std::atomic<int32_t> watchdog;  // keep-alive pings allowed

// Reads and runs commands until a move or a go-type command is accepted.
void InputCommand();
// The keep-alive thread's periodic work: "tellics ping" while allowed.
void KeepAlivePing();
