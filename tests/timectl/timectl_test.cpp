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
  SavedGlobals saved_{TCflag,   TCmoves,  TCminutes,   TCseconds,    TCadd,     TCaddCs,
                      Level,    moves,    minutes,     seconds,      increment, incrementCs,
                      computer, opponent, TimeControl, ResponseTime, ExtraTime, PonderedTime,
                      PonderOn, puzzling, timeout,     WouldTimeout, Sdepth,    MaxSearchDepth,
                      time0,    GameCnt,  easy};
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
  int flag, moves, level, minutes, seconds, add, add_cs, time_left;
};

TEST_F(TimeControls, LevelCommandSetsTheControl) {
  const LevelCase cases[] = {
      // Forty moves in five minutes.
      {"40 5 0", 1, 40, 0, 5, 0, 0, 0, 30000},
      // Sudden death with increment: increment mode, 50 moves estimated.
      {"0 2 12", 2, 50, 17, 2, 0, 12, 1200, 12000},
      // A tenth of a second added per move is increment mode too.
      {"0 0:10 0.1", 2, 50, 17, 0, 10, 0, 10, 0},
      {"0 1 2.75", 2, 50, 17, 1, 0, 2, 275, 6000},
      // One move per period is a fixed time per move.
      {"1 5 0", 0, -1, 300, 5, 0, 0, 0, -1},
      // Minutes and seconds: the clock counts the minutes only.
      {"0 5:30 0", 2, 50, -1, 5, 30, 0, 0, 30000},
      {"40 0:30 0", 1, 40, 0, 0, 30, 0, 0, 0},
      // Thirty seconds per move, so "new" opens no level menu.
      {"1 0:30 0", 0, -1, 30, 0, 30, 0, 0, -1},
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
    EXPECT_EQ(TCaddCs, c.add_cs);
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

struct BudgetCase {
  const char* what;
  int32_t time_left, to_go;
  int flag, tc_moves, divisor;
  int32_t budget, limit;
};

TEST(MoveBudget, AtTheEdgesOfTheClock) {
  const BudgetCase cases[] = {
      // The two worked examples: 40 in 120 minutes, 5 minutes sudden death.
      {"40 moves in 120 min", 720000, 40, 1, 40, 3, 25012, 239996},
      {"5 min sudden death", 30000, 50, 2, 50, 5, 846, 5998},
      // 20 s sudden death, no pondering: a fifth of the clock at most.
      {"20 s sudden death", 2000, 50, 2, 50, 5, 55, 398},
      // 10 s with 0.1 s increment: twenty moves assumed, a quarter at most.
      {"10 s + 0.1 s", 1000, 20, 2, 50, 4, 51, 247},
      // The last move before the control of 40 in 30 s, and the first after.
      {"last move before control", 500, 1, 1, 40, 4, 84, 122},
      {"first move of a period", 3500, 40, 1, 40, 4, 80, 872},
      // Just above the reserve the limit is what lies above it.
      {"3.2 s left", 320, 50, 2, 50, 5, 8, 10},
      // At or below the reserve: stop as soon as the first iteration is done.
      {"1 s left", 100, 50, 2, 50, 5, 1, 0},
      {"0.1 s left, increment", 10, 20, 2, 50, 4, 1, 0},
      {"nothing left", 0, 50, 2, 50, 5, 1, 0},
      {"flag fallen", -40, 50, 2, 50, 5, 1, 0},
      {"moves to go -3", 6000, -3, 2, 50, 5, 1, 1198},
  };
  for (const BudgetCase& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(MoveBudget(c.time_left, c.to_go, c.flag, c.tc_moves), c.budget);
    EXPECT_EQ(MoveTimeLimit(c.time_left, c.divisor), c.limit);
  }
}

TEST(MoveBudget, LimitNeverReachesTheReserveOrHalfTheClock) {
  for (int divisor = 2; divisor <= 5; divisor++) {
    for (int32_t left = -100; left <= 100000; left += 7) {
      const int32_t limit = MoveTimeLimit(left, divisor);
      ASSERT_GE(limit, 0);
      if (limit > 0) {
        ASSERT_LE(limit + kMoveOverhead + kClockReserve, left) << left;
        ASSERT_LE(2 * limit, left) << left;
      }
    }
  }
}

struct ToGoCase {
  int32_t game_cnt, tc_moves, to_go;
};

TEST(MoveBudget, MovesToTheControlFollowTheGameCount) {
  const ToGoCase cases[] = {
      {0, 40, 40},  {1, 40, 40},   // the first move of either side
      {8, 40, 36},  {9, 40, 36},   // after four moves each entered in force mode
      {78, 40, 1},  {79, 40, 1},   // the last move before the control
      {80, 40, 40}, {158, 40, 1},  // the next period
      {5, 1, 1},    {3, 0, 1},     // degenerate controls
  };
  for (const ToGoCase& c : cases)
    EXPECT_EQ(MovesToControl(c.game_cnt, c.tc_moves), c.to_go) << c.game_cnt << " " << c.tc_moves;
}

TEST_F(Clocks, BudgetCountsTheMovesToTheControlAsTheGuiDoes) {
  TCflag = 1;
  TCmoves = 40;
  minutes[1] = 0;
  GameCnt = 78;                   // the 40th move: the control comes after it
  TimeControl[white] = {5, 500};  // the engine's own count is behind
  SetResponseTime(white);
  EXPECT_EQ(TimeControl[white].movesToGo, 1);
  EXPECT_EQ(ResponseTime, 84);
  // Under a second period of its own the engine's count stands.
  minutes[1] = 5;
  TimeControl[white] = {5, 500};
  SetResponseTime(white);
  EXPECT_EQ(TimeControl[white].movesToGo, 5);
}

TEST_F(Clocks, HardLimitFollowsTheSettings) {
  computer = black;
  TimeControl[black].timeLeft = 2010;
  incrementCs[0] = 0;
  TCflag = 2;
  easy = 1;
  EXPECT_EQ(HardTimeLimit(), 400);  // sudden death without pondering: a fifth
  incrementCs[0] = 10;
  EXPECT_EQ(HardTimeLimit(), 500);  // with an increment: a quarter
  TCflag = 1;
  easy = 0;
  EXPECT_EQ(HardTimeLimit(), 1000);  // moves per period, pondering: a half
  TimeControl[black].timeLeft = 250;
  EXPECT_EQ(HardTimeLimit(), 0);  // at the reserve
}

// A search with the clock stopped, so that only PonderedTime counts:
// whether the clock check stops it (or, pondering, marks that it would).
struct StopCase {
  const char* what;
  int tc_flag;
  int32_t time_left;
  int sdepth;
  int32_t pondered;
  int ponder_on, stop;
};

TEST_F(Clocks, ClockCheckStopsAtTheLimits) {
  const StopCase cases[] = {
      // Sudden death, 3.2 s left: 0.1 s above the reserve and the overhead.
      {"3.2 s left, 0.09 s used", 2, 320, 3, 9, 0, 0},
      {"3.2 s left, 0.1 s used", 2, 320, 3, 10, 0, 1},
      // Ten seconds a move.
      {"fixed time, 9.99 s used", 0, 30000, 3, 999, 0, 0},
      {"fixed time, 10 s used", 0, 30000, 3, 1000, 0, 1},
      {"fixed time while pondering", 0, 30000, 3, 1000, 1, 1},
      // Under three seconds left, from depth two; the first iteration
      // always completes.
      {"2.5 s left, depth 1", 1, 250, 1, 0, 0, 0},
      {"2.5 s left, depth 2", 1, 250, 2, 0, 0, 1},
  };
  for (const StopCase& c : cases) {
    SCOPED_TRACE(c.what);
    TCflag = c.tc_flag;
    TCminutes = 0;
    TCseconds = 10;
    computer = white;
    easy = 1;
    incrementCs[0] = 0;
    TimeControl[white].timeLeft = c.time_left;
    ResponseTime = 100000;
    ExtraTime = 0;
    puzzling = 1;
    timeout = WouldTimeout = 0;
    PonderOn = c.ponder_on;
    StopTheClock();
    Sdepth = c.sdepth;
    PonderedTime = c.pondered;
    CheckElapsedTime(0);
    // While pondering the budget only marks that it would stop.
    EXPECT_EQ(timeout, c.ponder_on ? 0 : c.stop);
    if (c.ponder_on) {
      EXPECT_EQ(WouldTimeout, c.stop);
    }
  }
}

// Found by fuzzing: "st 0" stopped the search before any root move had a
// score, and the engine played a blind move and claimed a stalemate. The
// first root move of the first iteration is now always searched.
TEST_F(Clocks, NoTimeAtAllStillScoresTheFirstRootMove) {
  TCflag = 0;
  TCminutes = TCseconds = 0;
  const SavedGlobals keep{RootCnt, mate, hint};
  for (int root_moves : {0, 1}) {
    SCOPED_TRACE(root_moves);
    timeout = PonderOn = 0;
    Sdepth = 1;
    RootCnt = root_moves;
    CheckElapsedTime(0);
    EXPECT_EQ(timeout, root_moves);
  }
  SetFen("r1bqkb1r/pppp1ppp/2n2n2/1B2p3/4P3/5N2/PPPP1PPP/RNBQK2R w KQkq - 4 4");
  TCflag = 0;
  TCminutes = TCseconds = 0;
  computer = white;
  opponent = black;
  MaxSearchDepth = 31;
  const std::string out = CaptureOutput([] { SelectMove(white); });
  EXPECT_EQ(out.find("Stalemate"), std::string::npos) << out;
  EXPECT_EQ(mate, 0);
  EXPECT_EQ(GameCnt, 1) << out;
}

// Found by fuzzing: a huge fixed time or clock made the budget so large
// that the search's extra time (up to six budgets) overflowed.
TEST_F(Clocks, BudgetStaysWithinWhatTheSearchCanMultiply) {
  TCflag = 0;
  Level = INT32_MAX - 1;
  SetResponseTime(white);
  EXPECT_EQ(ResponseTime, kMaxResponseTime);
  TCflag = 2;
  TimeControl[white] = {1, INT32_MAX - 1};
  SetResponseTime(white);
  EXPECT_LE(ResponseTime, kMaxResponseTime);
  EXPECT_GT(ResponseTime, 0);
}

}  // namespace
