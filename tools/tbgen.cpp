// tbgen [-o DIR] [-c] [-x] [name ...]: writes tablebase files by retrograde
// analysis into DIR (default the current directory).
//
// Without names it generates all 3- and 4-man tables; with names, those
// tables, first generating the smaller tables that their captures and
// promotions lead to when DIR lacks them. -c checks every table it writes
// against its files read back; -x only checks the named (or all 3- and
// 4-man) tables already in DIR. Each table's line gives the outcomes per
// side to move (legal positions up to symmetry) and the longest mate.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "egtb/tbgen_solve.h"
#include "egtb/tbindex.h"

namespace {

bool fCheck = false;
bool rgfRequested[kTbCount];
bool rgfDone[kTbCount];

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

int FindTable(const char* name) {
  for (int i = 1; i < kTbCount; i++)
    if (strcmp(name, rgTbTables[i].name) == 0) return i;
  return 0;
}

int MenOf(int iTb) {
  return static_cast<int>(strlen(rgTbTables[iTb].name));
}

void PrintSides(const char* name, const TbgStats& st) {
  for (int s = 0; s < 2; s++) {
    const TbgSideStats& ss = st.side[s];
    printf("%s:   %s to move: won %llu drawn %llu lost %llu (longest win %d, longest loss %d)\n",
           name, s ? "second side" : "first side", static_cast<unsigned long long>(ss.won),
           static_cast<unsigned long long>(ss.drawn), static_cast<unsigned long long>(ss.lost),
           ss.longestWin, ss.longestLoss);
  }
}

int LongestMate(const TbgStats& st) {
  return std::max(st.side[0].longestWin, st.side[1].longestWin);
}

// Checks one table's files against the successors of every position.
bool Check(int iTb) {
  const char* name = rgTbTables[iTb].name;
  const auto start = std::chrono::steady_clock::now();
  TbgStats st;
  const bool ok = TbgCheck(iTb, &st, stdout);
  if (!fCheck) PrintSides(name, st);
  printf("%s: check %s: %llu positions, %llu inconsistent, longest mate %d moves (%.2f s)\n", name,
         ok ? "passed" : "FAILED", static_cast<unsigned long long>(st.checked),
         static_cast<unsigned long long>(st.failures), LongestMate(st), Seconds(start));
  fflush(stdout);
  return ok;
}

// 1. Smaller tables first: those missing in the directory are generated.
// 2. The table itself, unless it is only needed and already there.
// 3. Its check, when asked for.
bool Ensure(int iTb) {
  if (rgfDone[iTb]) return true;
  if (!rgfRequested[iTb] && TbgFilesPresent(iTb)) {
    rgfDone[iTb] = true;
    return true;
  }
  for (int dep : TbgDependencies(iTb))
    if (!Ensure(dep)) return false;
  const char* name = rgTbTables[iTb].name;
  const auto start = std::chrono::steady_clock::now();
  TbgStats st;
  const bool ok = TbgGenerate(iTb, &st, stdout);
  PrintSides(name, st);
  if (st.epPositions)
    printf("%s:   en passant: %llu positions, %llu valued unlike their twins without it\n", name,
           static_cast<unsigned long long>(st.epPositions),
           static_cast<unsigned long long>(st.epDiffer));
  if (!ok) {
    printf("%s: generation FAILED\n", name);
    return false;
  }
  printf("%s: generated in %.2f s, longest mate %d moves\n", name, Seconds(start), LongestMate(st));
  fflush(stdout);
  rgfDone[iTb] = true;
  if (fCheck && !Check(iTb)) return false;
  if (MenOf(iTb) > 4) TbgForget(iTb);  // large: read again when needed
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  const char* dir = ".";
  bool fOnlyCheck = false;
  std::vector<int> tables;
  for (int a = 1; a < argc; a++) {
    if (strcmp(argv[a], "-o") == 0 && a + 1 < argc) {
      dir = argv[++a];
    } else if (strcmp(argv[a], "-c") == 0) {
      fCheck = true;
    } else if (strcmp(argv[a], "-x") == 0) {
      fOnlyCheck = true;
    } else if (const int t = FindTable(argv[a])) {
      tables.push_back(t);
    } else {
      fprintf(stderr, "usage: tbgen [-o DIR] [-c] [-x] [name ...]\nunknown table: %s\n", argv[a]);
      return 2;
    }
  }
  if (tables.empty())
    for (int t = 1; t <= 35; t++) tables.push_back(t);
  TbgSetDirectory(dir);
  VInitEnumerations();

  const auto start = std::chrono::steady_clock::now();
  bool ok = true;
  for (int t : tables) rgfRequested[t] = true;
  for (int t : tables) ok = (fOnlyCheck ? Check(t) : Ensure(t)) && ok;
  printf("total %.2f s%s\n", Seconds(start), ok ? "" : ", with FAILURES");
  return ok ? 0 : 1;
}
