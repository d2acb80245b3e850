#include "ui/testsuite.h"

#include <cstdio>

#include "core/startup.h"
#include "search/driver.h"
#include "ui/command.h"
#include "ui/input.h"

void Solve(const char* name) {
  char word[80];
  if (name == nullptr) {
    word[0] = '\0';
    scanz(word);
    name = word;
  }
  FILE* commands = fopen(name, "r");
  if (commands == nullptr) return;
  FILE* answers = fopen("answer.out", "w");
  if (answers == nullptr) {
    fclose(commands);
    return;
  }
  Batch = commands;
  Answer = answers;
  char header[160];
  snprintf(header, sizeof header, "%s V %s%s  Stil: %s;   Alg.: <Alpha-Beta>", prognam, version,
           patchlevel, selective ? "selective search " : "brute force search");
  fprintf(Answer, "%s\n\n", header);
  fflush(Answer);
  easy = 1;
}
