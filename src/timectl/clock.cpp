#include "timectl/clock.h"

#include "platform/platform.h"

SideClock TimeControl[2];
int32_t time0 = 0;
int32_t et0 = 0;
int32_t ElapsedTime = 0;
int32_t PonderedTime = 0;

void CheckElapsedTime(int reset) {
  ElapsedTime = VornaClock() - time0;
  if (ElapsedTime < 0) ElapsedTime = 0;
  et0 = ElapsedTime;
  if (reset == 1) {
    time0 = VornaClock();
    et0 = 0;
    ElapsedTime = 0;
  }
}
