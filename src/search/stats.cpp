#include "search/stats.h"

#include <cmath>
#include <cstring>

StatRow IterStats[kMaxPly];
int StatsIteration = 0;

namespace {

// Column titles of the extension counts, in Stat order from kStExtBare.
constexpr const char* kExtNames[kStatCount - kFirstExtension] = {
    "bare",  "gain",  "trade",  "pawn",   "recap",  "queen", "run",   "chkrun",
    "pawn2", "dblck", "chkseq", "single", "rootck", "wchk",  "wpawn", "whung"};

}  // namespace

void ResetStats() {
  memset(IterStats, 0, sizeof IterStats);
  StatsIteration = 0;
}

void ClearStatsTable(StatsTable* t) {
  memset(t, 0, sizeof *t);
}

void AddSearchToTable(StatsTable* t) {
  int64_t run = 0;
  for (int d = 1; d <= StatsIteration; d++) {
    for (int k = 0; k < kStatCount; k++) t->sum[d].c[k] += IterStats[d].c[k];
    run += IterStats[d].c[kStNodes];
    t->positions[d]++;
    t->prev_nodes[d] += IterStats[d - 1].c[kStNodes];
    t->run_nodes[d] += run;
  }
}

double StatRate(int64_t part, int64_t all) {
  return all > 0 ? 100.0 * static_cast<double>(part) / static_cast<double>(all) : 0.0;
}

double StepBranching(int64_t nodes, int64_t prev_nodes) {
  return prev_nodes > 0 ? static_cast<double>(nodes) / static_cast<double>(prev_nodes) : 0.0;
}

double RootBranching(int64_t total_nodes, int d) {
  if (d < 1 || total_nodes < 1) return 0.0;
  return std::pow(static_cast<double>(total_nodes), 1.0 / d);
}

void PrintStatsTable(FILE* out, const StatsTable& t, int deepest) {
  fprintf(out,
          "search      pos     nodes   qnodes%%  EBF   root  cut1st%%  d1-1st%%  deep1st%%  "
          "qcut1st%%  hash1st%%  fail-low  fail-high  re-searches  their-nodes%%\n");
  for (int d = 1; d <= deepest; d++) {
    const int64_t* c = t.sum[d].c;
    // Iteration 1 follows the root list's preparation, not an iteration.
    const double step = d > 1 ? StepBranching(c[kStNodes], t.prev_nodes[d]) : 0.0;
    fprintf(
        out,
        "%5d  %5lld  %9lld  %6.1f  %5.2f  %5.2f  %7.1f  %7.1f  %8.1f  %8.1f  %8.1f  %8lld  "
        "%9lld  %11lld  %12.1f\n",
        d, static_cast<long long>(t.positions[d]), static_cast<long long>(c[kStNodes]),
        StatRate(c[kStQNodes], c[kStNodes]), step, RootBranching(t.run_nodes[d], d),
        StatRate(c[kStFirstCutoffs], c[kStCutoffs]),
        StatRate(c[kStFirstCutoffs] - c[kStDeepFirstCutoffs], c[kStCutoffs] - c[kStDeepCutoffs]),
        StatRate(c[kStDeepFirstCutoffs], c[kStDeepCutoffs]),
        StatRate(c[kStQFirstCutoffs], c[kStQCutoffs]),
        StatRate(c[kStHashMoveFirst], c[kStHashMoveNodes]), static_cast<long long>(c[kStFailLows]),
        static_cast<long long>(c[kStFailHighs]), static_cast<long long>(c[kStResearches]),
        StatRate(c[kStResearchNodes], c[kStNodes]));
  }
  fprintf(out,
          "\ncut-offs   full-width  by-hash%%  capture%%  killer%%  quiet%%  history-bonuses  "
          "zero%%\n");
  for (int d = 1; d <= deepest; d++) {
    const int64_t* c = t.sum[d].c;
    fprintf(out, "%5d  %14lld  %8.1f  %8.1f  %7.1f  %6.1f  %15lld  %5.1f\n", d,
            static_cast<long long>(c[kStCutoffs]), StatRate(c[kStCutHash], c[kStCutoffs]),
            StatRate(c[kStCutCapture], c[kStCutoffs]), StatRate(c[kStCutKiller], c[kStCutoffs]),
            StatRate(c[kStCutQuiet], c[kStCutoffs]), static_cast<long long>(c[kStHistoryUpdates]),
            StatRate(c[kStHistoryZero], c[kStHistoryUpdates]));
  }
  fprintf(out,
          "\nhashing     tt-probes  hit%%   cut%%   stores  not-stored(ply)  eval-probes  hit%%   "
          "egtb-probes  hit%%   null  R=1%%  cut%%   threat%%  deeper  margin-cuts\n");
  for (int d = 1; d <= deepest; d++) {
    const int64_t* c = t.sum[d].c;
    fprintf(out,
            "%5d  %14lld  %5.1f  %5.1f  %7lld  %15lld  %11lld  %5.1f  %11lld  %5.1f  %5lld  %5.1f  "
            "%5.1f  %7.1f  %6lld  %11lld\n",
            d, static_cast<long long>(c[kStTTProbes]), StatRate(c[kStTTHits], c[kStTTProbes]),
            StatRate(c[kStTTCutoffs], c[kStTTProbes]), static_cast<long long>(c[kStTTStores]),
            static_cast<long long>(c[kStTTBeyond]), static_cast<long long>(c[kStEvalProbes]),
            StatRate(c[kStEvalHits], c[kStEvalProbes]), static_cast<long long>(c[kStEGTBProbes]),
            StatRate(c[kStEGTBHits], c[kStEGTBProbes]), static_cast<long long>(c[kStNullTries]),
            StatRate(c[kStNullR1], c[kStNullTries]), StatRate(c[kStNullCutoffs], c[kStNullTries]),
            StatRate(c[kStNullThreats], c[kStNullTries]),
            static_cast<long long>(c[kStThreatResearch]),
            static_cast<long long>(c[kStMarginCutoffs]));
  }
  fprintf(out, "\nextensions");
  for (const char* name : kExtNames) fprintf(out, " %7s", name);
  fprintf(out, "\n");
  for (int d = 1; d <= deepest; d++) {
    fprintf(out, "%5d     ", d);
    for (int k = kFirstExtension; k < kStatCount; k++)
      fprintf(out, " %7lld", static_cast<long long>(t.sum[d].c[k]));
    fprintf(out, "\n");
  }
}
