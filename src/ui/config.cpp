#include "ui/config.h"

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/startup.h"
#include "egtb/egtb.h"
#include "platform/platform.h"
#include "ui/output.h"

int16_t ics = 0;
int16_t beep = 0;
int32_t ics_level = 8;
int32_t ics_maxhash = 12;
int32_t ics_ponder = 1;
int32_t ics_book = 1;
int32_t ics_selective = 1;
int32_t ics_draw = 0;
int32_t ics_show_ponder = 0;
int32_t ics_beep = 0;
int32_t ResignOption = 0;
char info[64] = "";
char tb_path[132] = "";
int32_t tb_cache = 0;
void* tb_cache_buffer = nullptr;
void* (*TbCacheAlloc)(size_t bytes) = std::malloc;

namespace {

constexpr int kLineChars = 131;  // characters of a line that are looked at
constexpr int kValueChars = 32;
constexpr int kPathChars = 130;
static_assert(sizeof tb_path > kPathChars);

// Reads the next line into buf (kLineChars characters at most, the newline
// kept when it fits, NUL-terminated). What an over-long line has beyond
// that is skipped, so that its tail is never taken for a line of its own.
// False at the end of the file.
bool ReadLine(FILE* f, char (&buf)[kLineChars + 1]) {
  int n = 0, c = 0;
  while (n < kLineChars && (c = getc(f)) != EOF) {
    buf[n++] = static_cast<char>(c);
    if (c == '\n') break;
  }
  buf[n] = '\0';
  if (n == 0) return false;
  if (n == kLineChars && c != '\n') {
    while ((c = getc(f)) != EOF && c != '\n') {
    }
  }
  return true;
}

// A decimal number as atoi reads it (leading blanks, a sign, the digits up
// to the first other character; none gives 0), held to 0..limit so that a
// negative or absurd setting cannot upset the memory arithmetic.
int32_t Megabytes(const char* value, int32_t limit) {
  const long long v = strtoll(value, nullptr, 10);
  if (v < 0) return 0;
  return v > limit ? limit : static_cast<int32_t>(v);
}

int32_t Switch(const char* value) {
  return strncmp(value, "OF", 2) != 0;
}

// Which setting a line holds: the first key of the list that it has.
enum Key {
  kNone,
  kMaxHash,
  kPonder,
  kOfferDraw,
  kShowPonder,
  kEngineBeep,
  kSelectivity,
  kResign,
  kIcsInfo,
  kBook,
  kTbPath,
  kTbCache
};

Key KeyOf(const char* line) {
  if (strstr(line, "MAX_HASH")) return kMaxHash;
  if (!strncmp(line, "PONDER", 6)) return kPonder;
  if (!strncmp(line, "OFFER_DRAW", 10)) return kOfferDraw;
  static constexpr struct {
    const char* name;
    Key key;
  } kAnywhere[] = {{"SHOW_PONDER", kShowPonder},  {"ENGINE_BEEP", kEngineBeep},
                   {"SELECTIVITY", kSelectivity}, {"RESIGN", kResign},
                   {"ICS-INFO", kIcsInfo},        {"BOOK", kBook},
                   {"TB_PATH", kTbPath},          {"TB_CACHE", kTbCache}};
  for (const auto& k : kAnywhere)
    if (strstr(line, k.name)) return k.key;
  return kNone;
}

void TakeLine(const char* line) {
  if (line[0] == '\n' || line[0] == '\0' || line[0] == ';') return;
  const Key key = KeyOf(line);
  if (key == kNone) return;
  const char* colon = strchr(line, ':');
  if (colon == nullptr) return;
  if (key == kTbPath) {
    no_space_cpy(tb_path, colon + 1, kPathChars);
    return;
  }
  char value[kValueChars + 1];
  no_space_cpy(value, colon + 1, kValueChars);
  switch (key) {
    case kMaxHash:
      ics_maxhash = Megabytes(value, MemoryLimitMegabytes());
      break;
    case kPonder:
      ics_ponder = Switch(value);
      break;
    case kOfferDraw:
      ics_draw = Switch(value);
      break;
    case kShowPonder:
      ics_show_ponder = Switch(value);
      break;
    case kEngineBeep:
      ics_beep = Switch(value);
      break;
    case kSelectivity:
      ics_selective = Switch(value);
      break;
    case kResign:
      ResignOption = Switch(value);
      break;
    case kIcsInfo:
      info[0] = '\0';
      if (!strncmp(value, "ON", 2)) strcpy(info, "whisper");
      break;
    case kBook:
      ics_book = Switch(value);
      break;
    // Over the machine's limit the cache is refused later, with a message.
    case kTbCache:
      tb_cache = Megabytes(value, INT32_MAX);
      break;
    default:
      break;
  }
}

// Gives the tablebase code its cache and registers the tables of tb_path.
void InitTablebases() {
  FreeTbCache();
  const size_t bytes = static_cast<size_t>(tb_cache) << 20;
  // Asking for more than the machine has would only succeed lazily and fail
  // when the cache fills: refuse it as a failed allocation.
  if (tb_cache <= MemoryLimitMegabytes())
    tb_cache_buffer = TbCacheAlloc(bytes > 0 ? bytes : 1);  // 0 MB: an empty cache
  if (tb_cache_buffer != nullptr) {
    if (!FTbSetCacheSize(tb_cache_buffer, bytes)) OutPrintf("FTbSetCacheSize failed ");
  } else {
    OutPrintf("malloc for tb_cache failed: size=%d MB \n", tb_cache);
    tb_cache = 0;
  }
  OutPrintf("\ninitializing table base");
  OutFlush();
  tb_access = IInitializeTb(tb_path);
  if (tb_access > 5) tb_access = 5;
  if (tb_access == 0 && tb_cache_buffer != nullptr) {
    FreeTbCache();
    tb_cache = 0;
  }
  OutPrintf("found %d-piece TBs in %s\n", tb_access, tb_path);
  OutPrintf("using %d KB for Compression\n", static_cast<int>(cbEGTBCompBytes / 1024));
  OutPrintf("using %d KB for TB cache\n\n", tb_cache * 1024);
  OutFlush();
}

}  // namespace

void no_space_cpy(char* dst, const char* src, int max) {
  int n = 0;
  for (; *src != '\0' && n < max; src++)
    if (!isspace(static_cast<unsigned char>(*src))) dst[n++] = *src;
  dst[n] = '\0';
}

int32_t MemoryLimitMegabytes() {
  const int64_t half = PlatformPhysicalMemory() / 2 >> 20;
  if (half <= 0 || half > kMaxSettingMegabytes) return kMaxSettingMegabytes;
  return static_cast<int32_t>(half);
}

void FreeTbCache() {
  if (tb_cache_buffer == nullptr) return;
  FTbSetCacheSize(nullptr, 0);  // the tablebase code lets go of it first
  std::free(tb_cache_buffer);
  tb_cache_buffer = nullptr;
}

void ReadInitFile() {
  char name[sizeof vornapath + 16];
  snprintf(name, sizeof name, "%svorna.ics", vornapath);
  FILE* f = fopen(name, "rb");
  if (f == nullptr) return;
  char line[kLineChars + 1];
  while (ReadLine(f, line)) TakeLine(line);
  if (tb_path[0] != '\0') {
    InitTablebases();
  } else {
    FreeTbCache();
    tb_cache = 0;
    tb_access = 0;
  }
  fclose(f);
}

void kibitz() {
  OutPrintf("kibitz %s-%s%s says hello\n", prognam, version, patchlevel);
  OutFlush();
}

int64_t get_free_mem() {
  return static_cast<int64_t>(ics_maxhash) << 20;
}
