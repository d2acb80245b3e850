#include "ui/config.h"

#include "core/startup.h"
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
int32_t ResignOption = 0;

// The configuration keys are not read yet: the defaults above hold.
void ReadInitFile() {}

void kibitz() {
  OutPrintf("kibitz %s-%s%s says hello\n", prognam, version, patchlevel);
  OutFlush();
}

int64_t get_free_mem() {
  return static_cast<int64_t>(ics_maxhash) << 20;
}
