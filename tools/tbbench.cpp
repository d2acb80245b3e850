// tbbench DIR TABLE [PROBES]: probes one registered table of DIR (for
// example kqkr) at random indexes of its white-to-move file, first within
// a working set that fits the 4 MB cache, then across the whole file with a
// one-entry cache, so that every probe reads a block from the file. Prints
// the probes per second of both. Not a test: figures only.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

#include "egtb/egtb.h"
#include "platform/platform.h"
#include "ui/output.h"

namespace {

int TableNumber(const char* name) {
  for (int i = 1; i < kTbCount; i++)
    if (std::strcmp(rgTbTables[i].name, name) == 0) return i;
  return 0;
}

// Probes n random indexes below span; returns probes per second. Indexes of
// illegal positions hold "unknown" and are counted apart.
double Rate(int iTb, uint32_t span, long n, long* unknown) {
  std::mt19937 rng(12345);
  std::uniform_int_distribution<uint32_t> pick(0, span - 1);
  const auto t0 = std::chrono::steady_clock::now();
  for (long i = 0; i < n; i++)
    if (L_TbtProbeTable(iTb, 0, pick(rng)) == 32767) ++*unknown;
  const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  return n / (s > 0 ? s : 1e-9);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: tbbench DIR TABLE [PROBES]\n");
    return 2;
  }
  const long n = argc > 3 ? std::atol(argv[3]) : 2000000;
  const int iTb = TableNumber(argv[2]);
  if (iTb == 0) {
    std::fprintf(stderr, "tbbench: no table %s\n", argv[2]);
    return 2;
  }
  std::vector<unsigned char> cache(4 << 20);
  FTbSetCacheSize(cache.data(), cache.size());
  OutFile = OpenNullOutput();
  IInitializeTb(argv[1]);
  if (!FRegisteredFun(iTb, 0)) {
    std::fprintf(stderr, "tbbench: %s/%s.nbw is not there\n", argv[1], argv[2]);
    return 1;
  }
  const uint32_t length = TbLength(iTb, 0);
  const uint32_t set = length < 400u * 8192 ? length : 400u * 8192;  // 400 blocks fit 4 MB
  long unknown = 0;
  Rate(iTb, set, n / 10, &unknown);  // fill the cache
  const double cached = Rate(iTb, set, n, &unknown);
  FTbSetCacheSize(cache.data(), 8260);
  IInitializeTb(argv[1]);
  const double reads = Rate(iTb, length, n / 20, &unknown);
  const bool dropped = !FRegisteredFun(iTb, 0);
  std::printf("%s: %u positions, %.0f probes/s from the cache, %.0f probes/s reading blocks%s\n",
              argv[2], length, cached, reads, dropped ? ", the table was dropped" : "");
  return dropped ? 1 : 0;
}
