#include "timectl/timectl.h"

#include "timectl/clock.h"

int16_t TCflag = 0;
int16_t TCmoves = 0;
int16_t TCminutes = 0;
int16_t TCseconds = 0;
int16_t TCadd = 0;
int32_t Level = 0;
int32_t ilev = 0;
int32_t TCindex = 0;
int16_t contempt = 0;

// Only the level number is kept until the level table is in place.
void SetLevel(int n) {
  Level = n;
}

void SetTimeControl() {
  for (auto& side : TimeControl) {
    side.movesToGo = TCmoves;
    side.timeLeft = static_cast<int32_t>(TCminutes) * 6000 + static_cast<int32_t>(TCseconds) * 100;
  }
}

// No menu yet: the current level stays.
void SelectLevel() {}
