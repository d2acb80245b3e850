#include "ui/testsuite.h"

#include <cstdio>
#include <string>

#include "core/datafile.h"
#include "core/startup.h"
#include "search/driver.h"
#include "timectl/clock.h"
#include "ui/command.h"
#include "ui/gamefile.h"
#include "ui/input.h"
#include "ui/notation.h"
#include "ui/output.h"

namespace {
constexpr const char* kAnswerFile = "answer.out";
// Runs each started by the command file of the one before: a file that
// starts itself, or two that start each other, would run for ever.
constexpr int kMaxChainedRuns = 16;
int chained_runs = 0;
}  // namespace

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
  chained_runs = Batch != nullptr ? chained_runs + 1 : 0;
  if (chained_runs >= kMaxChainedRuns) {
    fclose(commands);
    OutPrintf("Test run not started, %d runs in a chain: %s\n", kMaxChainedRuns, name);
    OutFlush();
    return;
  }
  // A run started from inside a command file replaces that run.
  if (Answer != nullptr) fclose(Answer);
  Answer = nullptr;
  // The new answer file replaces an older one only once its header is whole
  // on the disk; the answer lines are added to it one by one.
  std::string header;
  AddText(&header, "%s V %s%s  Stil: %s;   Alg.: <Alpha-Beta>\n\n", prognam, version, patchlevel,
          selective ? "selective search " : "brute force search");
  FILE* answers =
      SaveText(kAnswerFile, header) == Saved::kOk ? OpenForAppending(kAnswerFile) : nullptr;
  if (answers == nullptr) {
    fclose(commands);
    // A run already going goes on adding its answers.
    if (Batch != nullptr) Answer = OpenForAppending(kAnswerFile);
    OutPrintf("Could not open file: %s\n", kAnswerFile);
    OutFlush();
    return;
  }
  if (Batch != nullptr) fclose(Batch);
  Batch = commands;
  Answer = answers;
  easy = 1;
}

void WriteAnswer(int32_t s) {
  if (Batch == nullptr || Answer == nullptr) return;
  std::string line;
  AddText(&line, "%s: ", PosFile);
  if (s > 9000)
    AddText(&line, " Evaluation: +M%d    ", (10000 - s) / 2);
  else if (s >= 0)
    AddText(&line, " Evaluation: +%d.%02d", s / 100, s % 100);
  else if (s >= -9000)
    AddText(&line, " Evaluation: -%d.%02d", (-s) / 100, (-s) % 100);
  else
    AddText(&line, " Evaluation: -M%d    ", (s + 10000) / 2);
  AddText(&line, " \tNodes/Sec: %5ld", static_cast<long>(evrate));
  AddText(&line, " \t%s", mvstr);
  AddText(&line, "%s ", BestTimeStr);
  AddText(&line, "\n");
  // Each line reaches the file whole or not at all.
  if (!AddRecord(Answer, kAnswerFile, line.data(), line.size())) {
    OutPrintf("Could not write file: %s\n", kAnswerFile);
    OutFlush();
  }
}
