#include "ui/command.h"

#include <cstring>

#include "ui/input.h"
#include "ui/output.h"

int32_t computer = 1;
int32_t opponent = 0;
int32_t player = 0;
int16_t force = 0;
int32_t analyze = 0;
int16_t easy = 1;
int16_t post = 0;
int16_t bothsides = 0;
int16_t quit = 0;
int16_t mate = 0;
int32_t GameTerminated = 0;
uint32_t hint = 0;
int32_t PonderOn = 0;
int32_t lookahead = 0;
int32_t puzzling = 0;
int32_t GuessOkay = 0;
int32_t timeout = 0;
int32_t WouldTimeout = 0;
int32_t mydepth = 0;
int32_t WinboardProtVer = 1;
int32_t handshaked = 0;
int32_t OperatorTime = 0;
int16_t selective = 1;
int32_t evrate = 0;
char oppnam[38] = "Opponent";
char info[64] = "";
std::atomic<int32_t> watchdog{1};

void KeepAlivePing() {
  if (watchdog.load(std::memory_order_relaxed) == 1) {
    OutPrintf("tellics ping\n");
    OutFlush();
  }
}

// Until the protocol commands exist: reads one word, ends on "quit",
// answers "ping" and reports anything else as unexpected input.
void InputCommand() {
  char word[80];
  char arg[32];
  word[0] = '\0';
  scanz(word);
  if (strcmp(word, "quit") == 0) {
    quit = 1;
  } else if (strcmp(word, "ping") == 0) {
    get_string(arg, sizeof arg);
    OutPrintf("pong %s\n", arg);
    OutFlush();
  } else if (word[0] != '.' && word[0] != '\0') {
    OutPrintf("unexpected input: <%s> \n", word);
    OutFlush();
  }
}
