#include "ui/testsuite.h"

#include <cstdio>

#include "core/startup.h"
#include "search/driver.h"
#include "timectl/clock.h"
#include "ui/command.h"
#include "ui/gamefile.h"
#include "ui/input.h"
#include "ui/notation.h"
#include "ui/output.h"

void Solve(const char* name) {
  char word[80];
  if (name == nullptr) {
    word[0] = '\0';
    scanz(word);
    name = word;
  }
  if (name[0] == '\0') return;
  FILE* commands = fopen(name, "r");
  if (commands == nullptr) return;
  FILE* answers = fopen("answer.out", "w");
  if (answers == nullptr) {
    fclose(commands);
    OutPrintf("Could not open file: answer.out\n");
    OutFlush();
    return;
  }
  // A run started from inside a command file replaces that run.
  if (Batch != nullptr) fclose(Batch);
  if (Answer != nullptr) fclose(Answer);
  Batch = commands;
  Answer = answers;
  char header[160];
  snprintf(header, sizeof header, "%s V %s%s  Stil: %s;   Alg.: <Alpha-Beta>", prognam, version,
           patchlevel, selective ? "selective search " : "brute force search");
  fprintf(Answer, "%s\n\n", header);
  fflush(Answer);
  easy = 1;
}

void WriteAnswer(int32_t s) {
  if (Batch == nullptr || Answer == nullptr) return;
  fprintf(Answer, "%s: ", PosFile);
  if (s > 9000)
    fprintf(Answer, " Evaluation: +M%d    ", (10000 - s) / 2);
  else if (s >= 0)
    fprintf(Answer, " Evaluation: +%d.%02d", s / 100, s % 100);
  else if (s >= -9000)
    fprintf(Answer, " Evaluation: -%d.%02d", (-s) / 100, (-s) % 100);
  else
    fprintf(Answer, " Evaluation: -M%d    ", (s + 10000) / 2);
  fprintf(Answer, " \tNodes/Sec: %5ld", static_cast<long>(evrate));
  fprintf(Answer, " \t%s", mvstr);
  fprintf(Answer, "%s ", BestTimeStr);
  fprintf(Answer, "\n");
  fflush(Answer);
}
