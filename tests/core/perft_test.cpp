#include "core/perft.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "core/board.h"
#include "core/makemove.h"
#include "search/driver.h"
#include "test_util.h"
#include "ui/command.h"

namespace {

// Counts cross-checked with another engine (tests/data/make_perft.py). The
// quick ones run here; build/perft runs the rest.
TEST(Perft, AgreesWithTheReferenceCountsOnQuickPositions) {
  std::ifstream in(VORNA_TEST_DATA "/perft.txt");
  ASSERT_TRUE(in.good());
  std::string line;
  int checked = 0;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::stringstream fields(line);
    std::string fen, depth, nodes;
    std::getline(fields, fen, ';');
    std::getline(fields, depth, ';');
    std::getline(fields, nodes, ';');
    const uint64_t expected = std::stoull(nodes);
    if (expected > 200000) continue;
    SetFen(fen.c_str());
    EXPECT_EQ(Perft(player, 1, std::stoi(depth)), expected) << fen << " depth " << depth;
    EXPECT_TRUE(PositionIsConsistent()) << fen;
    checked++;
  }
  EXPECT_GE(checked, 70);
}

}  // namespace
