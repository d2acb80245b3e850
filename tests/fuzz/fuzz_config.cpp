// Feeds arbitrary bytes to the configuration reader as vorna.ics. Every
// setting ends inside its range and the strings stay terminated.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/movetables.h"
#include "core/startup.h"
#include "ui/config.h"
#include "ui/output.h"

namespace {

void Check(bool ok, const char* what) {
  if (ok) return;
  fprintf(stderr, "fuzz_config: %s\n", what);
  abort();
}

// The cache is never really needed here: keep the fuzzer's memory small.
void* SmallAlloc(size_t bytes) {
  return bytes <= (size_t{4} << 20) ? std::malloc(bytes) : nullptr;
}

bool Terminated(const char* s, size_t size) {
  return memchr(s, '\0', size) != nullptr;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static bool ready = false;
  if (!ready) {
    InitializeTables();
    TbCacheAlloc = SmallAlloc;
    OutFile = fopen("/dev/null", "w");
    char dir[] = "/tmp/vorna-fuzz-config-XXXXXX";
    Check(mkdtemp(dir) != nullptr, "no temporary folder");
    snprintf(vornapath, sizeof vornapath, "%s/", dir);
    ready = true;
  }
  char name[sizeof vornapath + 16];
  snprintf(name, sizeof name, "%svorna.ics", vornapath);
  FILE* f = fopen(name, "wb");
  Check(f != nullptr && fwrite(data, 1, size, f) == size && fclose(f) == 0,
        "cannot write the file");

  ReadInitFile();
  Check(ics_maxhash >= 0 && ics_maxhash <= kMaxSettingMegabytes, "MAX_HASH out of range");
  Check(tb_cache >= 0 && tb_cache <= kMaxSettingMegabytes, "TB_CACHE out of range");
  Check(tb_cache_buffer != nullptr || tb_cache == 0, "a cache size without a cache");
  Check(Terminated(tb_path, sizeof tb_path) && Terminated(info, sizeof info),
        "a string setting is not terminated");
  Check(strchr(tb_path, ' ') == nullptr && strchr(tb_path, '\t') == nullptr,
        "blanks kept in TB_PATH");
  FreeTbCache();
  return 0;
}
