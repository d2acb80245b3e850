#include "timectl/timectl.h"

#include <gtest/gtest.h>

#include <string>

#include "core/board.h"
#include "platform/platform.h"
#include "search/driver.h"
#include "search/treesearch.h"
#include "test_util.h"
#include "timectl/clock.h"
#include "ui/command.h"
#include "ui/input.h"
#include "ui/levels.h"

namespace {

// The clock settings the tests change, put back after each one.
class Clocks : public ::testing::Test {
 protected:
  void SetUp() override { FreshGame(); }
  // Holds the time of the last reset an hour ahead: the clock reads as set
  // back, so no time has run since and the limits depend on PonderedTime alone.
  static void StopTheClock() { time0 = VornaClock() + 360000; }
  SavedGlobals saved_{TCflag,      TCmoves,      TCminutes, TCseconds,      TCadd,    Level,
                      moves,       minutes,      seconds,   increment,      computer, opponent,
                      TimeControl, ResponseTime, ExtraTime, PonderedTime,   PonderOn, puzzling,
                      timeout,     WouldTimeout, Sdepth,    MaxSearchDepth, time0,    GameCnt};
};

// Feeds the rest of a command line (or the next words) through a pipe.
class TimeControls : public Clocks {
 protected:
  // Sends a line whose first word the command loop would have read.
  void Line(const std::string& text) {
    input_.Send("cmd " + text + "\n");
    char word[8];
    scanz(word);
  }
  void Words(const std::string& text) { input_.Send(text); }
  InputPipe input_;
};

struct LevelCase {
  const char* line;
  int flag, moves, level, minutes, seconds, add, time_left;
};

TEST_F(TimeControls, LevelCommandSetsTheControl) {
  const LevelCase cases[] = {
      // Forty moves in five minutes.
      {"40 5 0", 1, 40, 0, 5, 0, 0, 30000},
      // Sudden death with increment: increment mode, 50 moves estimated.
      {"0 2 12", 2, 50, 17, 2, 0, 12, 12000},
      // One move per period is a fixed time per move.
      {"1 5 0", 0, -1, 300, 5, 0, 0, -1},
      // Minutes and seconds: the clock counts the minutes only.
      {"0 5:30 0", 2, 50, -1, 5, 30, 0, 30000},
      // Thirty seconds per move, so "new" opens no level menu.
      {"1 0:30 0", 0, -1, 30, 0, 30, 0, -1},
  };
  for (const LevelCase& c : cases) {
    SCOPED_TRACE(c.line);
    Level = 0;
    Line(c.line);
    ICS_Level();
    EXPECT_EQ(TCflag, c.flag);
    if (c.moves >= 0) {
      EXPECT_EQ(TCmoves, c.moves);
    }
    if (c.level >= 0) {
      EXPECT_EQ(Level, c.level);
    }
    EXPECT_EQ(TCminutes, c.minutes);
    EXPECT_EQ(TCseconds, c.seconds);
    EXPECT_EQ(TCadd, c.add);
    if (c.time_left >= 0) {
      EXPECT_EQ(TimeControl[white].timeLeft, c.time_left);
    }
  }
}

TEST_F(TimeControls, TheNextPeriodStartsAfterItsLastMove) {
  Line("40 5 0");
  ICS_Level();
  EXPECT_EQ(TimeControl[black].movesToGo, 40);
  // After the fortieth move the same control starts again, time added.
  GameCnt = 80;
  TimeControl[black].timeLeft = 1000;
  SetTimeControl();
  EXPECT_EQ(TimeControl[black].timeLeft, 31000);
  EXPECT_EQ(TimeControl[black].movesToGo, 40);
}

TEST_F(TimeControls, FixedSecondsPerMove) {
  Line("10");
  SetSearchTime();
  EXPECT_EQ(TCflag, 0);
  EXPECT_EQ(Level, 10);
  EXPECT_EQ(TCseconds, 10);
  Line("");  // no number: nothing changes
  SetSearchTime();
  EXPECT_EQ(Level, 10);
}

TEST_F(TimeControls, RemainingTimesOfBothSides) {
  computer = black;
  opponent = white;
  Words("12345\n");
  SetMachineTime();
  EXPECT_EQ(TimeControl[black].timeLeft, 12345);
  Words("1:30\n");
  SetMachineTime();
  EXPECT_EQ(TimeControl[black].timeLeft, 9000);
  // The opponent's time is cut to whole seconds.
  StopTheClock();
  Words("12345\n");
  SetOppTime();
  EXPECT_EQ(TimeControl[white].timeLeft, 12300);
}

TEST_F(TimeControls, DepthAcceptsOneToThirtyTwo) {
  MaxSearchDepth = 10;
  for (const char* refused : {"0\n", "40\n", "x\n"}) {
    Words(refused);
    ChangeSearchDepth();
    EXPECT_EQ(MaxSearchDepth, 10) << refused;
  }
  Words("32\n");
  ChangeSearchDepth();
  EXPECT_EQ(MaxSearchDepth, 32);
}

TEST_F(Clocks, NumberedLevelsFromTheTable) {
  SetLevel(11);
  EXPECT_EQ(TCminutes, 120);  // although its menu line says 150
  EXPECT_EQ(TCflag, 2);
  SetLevel(13);
  EXPECT_EQ(TCflag, 0);
  EXPECT_EQ(TCminutes, 15);
}

TEST_F(Clocks, ResponseTimeIsTheBudgetOfOneMove) {
  TCflag = 1;
  TCmoves = 40;
  TimeControl[white] = {40, 720000};
  SetResponseTime(white);
  EXPECT_EQ(ResponseTime, 25012);
  TCflag = 2;
  TCmoves = 50;
  TimeControl[white] = {50, 30000};
  SetResponseTime(white);
  EXPECT_EQ(ResponseTime, 846);
}

TEST_F(Clocks, FixedTimePerMoveStopsAtItsLimit) {
  TCflag = 0;
  TCminutes = 0;
  TCseconds = 10;
  PonderOn = 0;
  timeout = 0;
  puzzling = 1;
  StopTheClock();
  PonderedTime = 999;
  CheckElapsedTime(0);
  EXPECT_EQ(timeout, 0);
  PonderedTime = 1000;
  CheckElapsedTime(0);
  EXPECT_EQ(timeout, 1);
  // While pondering the budget only marks that it would stop.
  timeout = 0;
  PonderOn = 1;
  WouldTimeout = 0;
  CheckElapsedTime(0);
  EXPECT_EQ(timeout, 0);
  EXPECT_EQ(WouldTimeout, 1);
}

TEST_F(Clocks, UnderThreeSecondsLeftStopsFromDepthTwo) {
  TCflag = 1;
  computer = white;
  TimeControl[white].timeLeft = 250;
  ResponseTime = 100000;
  ExtraTime = 0;
  PonderedTime = 0;
  puzzling = 1;
  timeout = 0;
  StopTheClock();
  Sdepth = 1;
  CheckElapsedTime(0);
  EXPECT_EQ(timeout, 0);  // the first iteration always completes
  Sdepth = 2;
  CheckElapsedTime(0);
  EXPECT_EQ(timeout, 1);
}

}  // namespace
