#include "ui/position.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "core/board.h"
#include "core/makemove.h"
#include "core/movegen.h"
#include "search/driver.h"
#include "search/hashtable.h"
#include "test_util.h"
#include "ui/command.h"
#include "ui/display.h"
#include "ui/gamefile.h"

namespace {

constexpr const char* kInitial = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";
constexpr const char* kKiwipete =
    "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1";

// Plays a move of side through MakeMove, as a game move would be.
void Play(int side, const char* from, const char* to, uint16_t flags = 0) {
  static TreeEntry entry;
  entry.score = 0;
  entry.from = static_cast<uint8_t>(Sq(from));
  entry.to = static_cast<uint8_t>(Sq(to));
  entry.flags = flags;
  MakeMove(side, &entry);
  player = 1 - side;
}

bool Generates(int side, const char* from, const char* to, uint16_t flags) {
  MoveList(side, 1);
  for (TreeEntry* e = TrPnt[1]; e < TrPnt[2]; e++)
    if (e->from == Sq(from) && e->to == Sq(to) && (e->flags & flags) == flags) return true;
  return false;
}

// ---------------------------------------------------------------------------

// What the writer and the start FEN give back for a text read: the same
// text, or (second) its normal form.
TEST(FenRoundTrip, WritesBackWhatItRead) {
  FreshGame();
  const struct {
    const char *fen, *written;
  } cases[] = {
      {kInitial, nullptr},
      {kKiwipete, nullptr},
      {"r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R b Kq - 0 1", nullptr},
      {"rnbqkbnr/ppp1pppp/8/8/3pP3/8/PPPP1PPP/RNBQKBNR b KQkq e3 0 1", nullptr},
      {"rnbqkbnr/ppp1p1pp/8/3pPp2/8/8/PPPP1PPP/RNBQKBNR w KQkq f6 0 1", nullptr},
      {"8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1", nullptr},
      // Short ranks are filled with empty squares.
      {"4k/8/8/8/8/8/8/4K w - -", "4k3/8/8/8/8/8/8/4K3 w - - 0 1"},
      {"  4k3//8/8/8/8/8/4K3   b   -   -  ", "4k3/8/8/8/8/8/8/4K3 b - - 0 1"},
      // Other characters among the castling letters are ignored.
      {"r3k2r/8/8/8/8/8/8/R3K2R w xQ?k - 0 1", "r3k2r/8/8/8/8/8/8/R3K2R w Qk - 0 1"},
      // So are the count fields of the text.
      {"4k3/8/8/8/8/8/8/4K3 b - - 37 80", "4k3/8/8/8/8/8/8/4K3 b - - 0 1"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.fen);
    const char* want = c.written ? c.written : c.fen;
    ASSERT_EQ(FEN_to_pos(c.fen), 0);
    EXPECT_EQ(CurrentFen(), want);
    EXPECT_STREQ(FEN_string, want);
    const char* why = nullptr;
    EXPECT_TRUE(PositionIsConsistent(&why)) << (why ? why : "");
  }
}

TEST(FenRoundTrip, InitialPositionMatchesANewGame) {
  FreshGame();
  const GameSnapshot fresh = GameSnapshot::Take(true);
  ASSERT_EQ(FEN_to_pos(kInitial), 0);
  const GameSnapshot set = GameSnapshot::Take(true);
  EXPECT_EQ(set.squares, fresh.squares);
  EXPECT_EQ(set.counts, fresh.counts);
  EXPECT_EQ(set.key, fresh.key);
  EXPECT_EQ(set.bd, fresh.bd);
  EXPECT_EQ(mtl[white], 5606);
  EXPECT_EQ(mtl[black], 5606);
  EXPECT_EQ(GameCnt, 0);
  EXPECT_EQ(Game50, 1);
}

TEST(FenRoundTrip, WriterCountsHalfMovesAndMoveNumbers) {
  FreshGame();
  ASSERT_EQ(FEN_to_pos(kInitial), 0);
  Play(white, "g1", "f3");
  Play(black, "g8", "f6");
  Play(white, "f3", "g1");
  EXPECT_EQ(CurrentFen(), "rnbqkb1r/pppppppp/5n2/8/8/8/PPPPPPPP/RNBQKBNR b KQkq - 3 2");
  Play(black, "b8", "c6");
  EXPECT_EQ(CurrentFen(), "r1bqkb1r/pppppppp/2n2n2/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 4 3");
}

// ---------------------------------------------------------------------------

TEST(FenSetUp, SetsRolesCountersAndStartsANewRecord) {
  FreshGame();
  GameList[5].move = 0x1234;
  strcpy(GameList[600].san, "Nf3");
  ASSERT_EQ(FEN_to_pos(kKiwipete), 0);
  EXPECT_EQ(player, white);
  EXPECT_EQ(opponent, white);
  EXPECT_EQ(computer, black);
  EXPECT_EQ(GameCnt, 0);
  EXPECT_EQ(CntMoves, 0);
  EXPECT_EQ(Game50, 1);
  const GameEntry empty{};
  for (int i = 0; i < kGameListSize; i++)
    ASSERT_EQ(memcmp(&GameList[i], &empty, sizeof empty), 0) << "entry " << i;
  EXPECT_EQ(PieceList[white][0], Sq("e1"));
  EXPECT_EQ(PieceList[black][0], Sq("e8"));
}

TEST(FenSetUp, BlackToMoveLeavesAPlaceholderForWhitesMove) {
  FreshGame();
  strcpy(GameList[1].san, "e4");
  GameList[1].move = 0x0c1c;
  ASSERT_EQ(FEN_to_pos("rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq - 0 1"), 0);
  EXPECT_EQ(player, black);
  EXPECT_EQ(opponent, black);
  EXPECT_EQ(computer, white);
  EXPECT_EQ(GameCnt, 1);
  EXPECT_EQ(CntMoves, 1);
  EXPECT_EQ(Game50, 2);
  EXPECT_STREQ(GameList[1].san, " ...");
  EXPECT_EQ(GameList[1].move, 0u);
}

TEST(FenSetUp, ReadsItsOwnFenString) {
  FreshGame();
  ASSERT_EQ(FEN_to_pos(kKiwipete), 0);
  const GameSnapshot before = GameSnapshot::Take();
  ASSERT_EQ(FEN_to_pos(FEN_string), 0);
  EXPECT_EQ(GameSnapshot::Take(), before);
}

// ---------------------------------------------------------------------------

// Each letter leaves its king and rook unmoved, but only where both stand
// at home; the dash marks both sides castled.
TEST(FenCastling, LettersFreeOnlyTheirOwnKingAndRook) {
  const struct {
    const char* fen;
    int moved[4];     // Mvboard of a1, h1, a8, h8
    int castled[2];   // castld of White and Black
    bool castles[4];  // e1g1, e1c1, e8g8, e8c8 generated
  } cases[] = {
      {"r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1", {0, 0, 0, 0}, {0, 0}, {true, true, true, true}},
      {"r3k2r/8/8/8/8/8/8/R3K2R w - - 0 1", {10, 10, 10, 10}, {1, 1}, {}},
      {"r3k2r/8/8/8/8/8/8/R3K2R w Kq - 0 1", {10, 0, 0, 10}, {0, 0}, {true, false, false, true}},
      // No rook on h1; a black rook on a1; the black king is not on e8.
      {"r4k1r/8/8/8/8/8/8/r3K3 w KQkq - 0 1", {10, 10, 10, 10}, {0, 0}, {}},
  };
  const char* corners[] = {"a1", "h1", "a8", "h8"};
  const char* castlings[] = {"e1g1", "e1c1", "e8g8", "e8c8"};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.fen);
    FreshGame();
    ASSERT_EQ(FEN_to_pos(c.fen), 0);
    for (int i = 0; i < 4; i++) {
      EXPECT_EQ(Mvboard[Sq(corners[i])], c.moved[i]) << corners[i];
      EXPECT_EQ(Generates(i < 2 ? white : black, castlings[i], castlings[i] + 2, MF_CASTLE),
                c.castles[i])
          << castlings[i];
    }
    EXPECT_EQ(castld[white], c.castled[white]);
    EXPECT_EQ(castld[black], c.castled[black]);
  }
  EXPECT_EQ(CurrentFen(), "r4k1r/8/8/8/8/8/8/r3K3 w - - 0 1");
  FreshGame();
  for (const char* sq : {"e1", "e8"}) EXPECT_EQ(Mvboard[Sq(sq)], 0) << sq;
}

TEST(FenCastling, WriterReadsTheMoveCounts) {
  FreshGame();
  ASSERT_EQ(FEN_to_pos(kInitial), 0);
  Mvboard[Sq("e1")] = 1;
  EXPECT_EQ(CurrentFen(), "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w kq - 0 1");
  Mvboard[Sq("a8")] = 2;
  EXPECT_EQ(CurrentFen(), "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w k - 0 1");
  castld[black] = 1;
  EXPECT_EQ(CurrentFen(), "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w - - 0 1");
}

// ---------------------------------------------------------------------------

// The position reached by a double step and the same position set up from
// its FEN have the same hash and the same en-passant square, kept only when
// a pawn can take.
TEST(FenEnPassant, DoubleStepKeepsTheSquareOnlyBesideAnEnemyPawn) {
  const struct {
    const char* start;
    int side;
    const char *from, *to, *ep, *capturer;
  } cases[] = {
      {kInitial, white, "e2", "e4", nullptr, nullptr},
      {"rnbqkbnr/ppp1pppp/8/8/3p4/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", white, "e2", "e4", "e3", "d4"},
      {"rnbqkbnr/pppppppp/8/1P6/8/8/P1PPPPPP/RNBQKBNR b KQkq - 0 1", black, "a7", "a5", "a6", "b5"},
      {"rnbqkbnr/pppppppp/8/6P1/8/8/PPPPPP1P/RNBQKBNR b KQkq - 0 1", black, "h7", "h5", "h6", "g5"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.start);
    FreshGame();
    ASSERT_EQ(FEN_to_pos(c.start), 0);
    Play(c.side, c.from, c.to);
    const uint32_t key = hashkey, bd = hashbd;
    EXPECT_EQ(epsquare, c.ep ? Sq(c.ep) : 0);
    const std::string fen = CurrentFen();
    ASSERT_EQ(FEN_to_pos(fen.c_str()), 0) << fen;
    EXPECT_EQ(epsquare, c.ep ? Sq(c.ep) : 0) << fen;
    EXPECT_EQ(hashkey, key) << fen;
    EXPECT_EQ(hashbd, bd) << fen;
    EXPECT_TRUE(PositionIsConsistent());
    if (c.capturer) {
      EXPECT_TRUE(Generates(1 - c.side, c.capturer, c.ep, MF_EP | MF_CAPTURE));
    }
  }
  // The square named in the text, as GUIs write it, without a capturer.
  FreshGame();
  ASSERT_EQ(FEN_to_pos("rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq - 0 1"), 0);
  const uint32_t key = hashkey;
  ASSERT_EQ(FEN_to_pos("rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e3 0 1"), 0);
  EXPECT_EQ(epsquare, 0);
  EXPECT_EQ(hashkey, key);
}

TEST(FenEnPassant, SquaresThatCouldNotFollowADoubleStepAreIgnored) {
  // Black pawn on d4, White pawn on e4 after e2e4: only e3 with Black to move fits.
  const std::string base = "rnbqkbnr/ppp1pppp/8/8/3pP3/8/PPPP1PPP/RNBQKBNR b KQkq ";
  FreshGame();
  ASSERT_EQ(FEN_to_pos((base + "-").c_str()), 0);
  const uint32_t key = hashkey;
  const uint32_t bd = hashbd;
  for (const char* ep : {"e6", "d3", "e4", "e", "e33", "i3", "E3", "e9"}) {
    ASSERT_EQ(FEN_to_pos((base + ep).c_str()), 0) << ep;
    EXPECT_EQ(epsquare, 0) << ep;
    EXPECT_EQ(hashkey, key) << ep;
    EXPECT_EQ(hashbd, bd) << ep;
  }
  // Beside the pawn only one of its own side, or one across the board's edge.
  for (const char* fen : {"rnbqkbnr/pppppppp/8/8/3PP3/8/PPP2PPP/RNBQKBNR b KQkq e3 0 1",
                          "rnbqkbnr/1pppppp1/P7/7p/8/8/1PPPPPPP/RNBQKBNR w KQkq h6 0 1"}) {
    ASSERT_EQ(FEN_to_pos(fen), 0) << fen;
    EXPECT_EQ(epsquare, 0) << fen;
  }
  // White to move: the square must be on the sixth rank.
  ASSERT_EQ(FEN_to_pos("rnbqkbnr/ppp1pppp/8/8/3pP3/8/PPPP1PPP/RNBQKBNR w KQkq e3 0 1"), 0);
  EXPECT_EQ(epsquare, 0);
  // The square the pawn passed, or the one it came from, is occupied.
  ASSERT_EQ(FEN_to_pos("rnbqkbnr/ppp1pppp/8/8/3pP3/4N3/PPPP1PPP/R1BQKBNR b KQkq e3 0 1"), 0);
  EXPECT_EQ(epsquare, 0);
  ASSERT_EQ(FEN_to_pos("rnbqkbnr/ppp1pppp/8/8/3pP3/8/PPPPNPPP/R1BQKB1R b KQkq e3 0 1"), 0);
  EXPECT_EQ(epsquare, 0);
  // The named square is kept in the start FEN when it fits a double step.
  ASSERT_EQ(FEN_to_pos("rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e3 0 1"), 0);
  EXPECT_STREQ(FEN_string, "rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e3 0 1");
  ASSERT_EQ(FEN_to_pos("rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e6 0 1"), 0);
  EXPECT_STREQ(FEN_string, "rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq - 0 1");
}

TEST(FenEnPassant, TheCaptureIsMadeAndTakenBack) {
  FreshGame();
  ASSERT_EQ(FEN_to_pos("4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 1"), 0);
  ASSERT_EQ(epsquare, Sq("d6"));
  const std::string fen = CurrentFen();
  const uint32_t key = hashkey;
  const uint32_t bd = hashbd;
  static TreeEntry entry;
  entry.from = static_cast<uint8_t>(Sq("e5"));
  entry.to = static_cast<uint8_t>(Sq("d6"));
  entry.flags = MF_EP | MF_CAPTURE;
  MakeMove(white, &entry);
  EXPECT_EQ(board[Sq("d5")], 0);
  EXPECT_EQ(pmtl[black], 0);
  EXPECT_EQ(CurrentFen().substr(0, 24), "4k3/8/3P4/8/8/8/8/4K3 w ");
  UnmakeMove(white, &entry);
  EXPECT_EQ(CurrentFen(), fen);
  EXPECT_EQ(hashkey, key);
  EXPECT_EQ(hashbd, bd);
  EXPECT_TRUE(PositionIsConsistent());
}

// ---------------------------------------------------------------------------

class FenRejection : public ::testing::Test {
 protected:
  void SetUp() override {
    FreshGame();
    // A game in progress from a set-up position, with odd roles and a record.
    ASSERT_EQ(FEN_to_pos("rnbqkbnr/ppp1pppp/8/8/3p4/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1"), 0);
    Play(white, "e2", "e4");
    ASSERT_EQ(epsquare, Sq("e3"));
    strcpy(GameList[1].san, "e4");
    strcpy(GameList[200].san, "Qh5");
    computer = white;
    opponent = black;
    player = black;
    before_ = GameSnapshot::Take();
  }
  GameSnapshot before_;
};

TEST_F(FenRejection, ImpossibleTextOrPositionChangesNothing) {
  for (const char* text : {
           // wrong number of ranks
           "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP w KQkq - 0 1",
           "rnbqkbnr/pppppppp/8/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
           "4k3/8/8/8/8/8/8/4K3/ w - - 0 1", "", "   ",
           // bad characters in the placement
           "rnbqkbnr/pppppppp/8/8/4x3/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
           "rnbqkbnr/pppppppp/9/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
           "rnbqkbnr/pppppppp/08/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
           "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR,w KQkq - 0 1",
           // rank of more than eight squares
           "rnbqkbnr/ppppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
           "rnbqkbnr/pppppppp/45/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
           "rnbqkbnr/pppppppp/8/7P1/8/8/PPPPPPP1/RNBQKBNR w KQkq - 0 1",
           "rnbqkbnrpppppppp/8/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
           // missing or invalid side to move
           "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR",
           "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR ",
           "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR x KQkq - 0 1",
           "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR white KQkq - 0 1",
           "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR - KQkq - 0 1",
           // not exactly one king a side
           "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQ1BNR w kq - 0 1",
           "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNK w kq - 0 1",
           "rnbq1bnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQ - 0 1", "8/8/8/8/8/8/8/8 w - - 0 1",
           // more than sixteen men a side
           "rnbqkbnr/pppppppp/8/8/8/N7/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
           "rnbqkbnr/pppppppp/8/8/7n/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
           // pawns on the first or last rank
           "4k2P/8/8/8/8/8/8/4K3 w - - 0 1", "4k3/8/8/8/8/8/8/p3K3 w - - 0 1",
           "p3k3/8/8/8/8/8/8/4K3 b - - 0 1", "4k3/8/8/8/8/8/8/4K2P b - - 0 1",
           // kings on adjacent squares
           "8/8/8/3kK3/8/8/8/8 w - - 0 1", "8/8/8/4k3/3K4/8/8/8 b - - 0 1",
           "8/8/8/8/8/8/6k1/7K w - - 0 1",
           // side not to move in check
           "4k3/8/8/8/8/8/4R3/4K3 w - - 0 1",  // rook
           "4k3/3P4/8/8/8/8/8/4K3 w - - 0 1",  // pawn
           "4k3/8/5N2/8/8/8/8/4K3 w - - 0 1",  // knight
           "4k3/8/8/8/B7/8/8/4K3 w - - 0 1",   // bishop
           "4k3/8/8/8/8/8/3p4/4K3 b - - 0 1",  // black pawn
           "4k3/8/8/8/8/8/8/q3K3 b - - 0 1",   // queen along the rank
       }) {
    EXPECT_EQ(FEN_to_pos(text), 1) << text;
    EXPECT_EQ(GameSnapshot::Take(), before_) << text;
  }
}

TEST_F(FenRejection, ChecksThatArePossibleAreAccepted) {
  // A blocked line and a pawn that attacks sideways only are no check.
  EXPECT_EQ(FEN_to_pos("4k3/8/4n3/8/8/8/4R3/4K3 w - - 0 1"), 0);
  EXPECT_EQ(FEN_to_pos("4k3/4P3/8/8/8/8/8/4K3 w - - 0 1"), 0);
  // The side to move may be in check.
  EXPECT_EQ(FEN_to_pos("4k3/8/8/8/8/8/4R3/4K3 b - - 0 1"), 0);
  EXPECT_EQ(player, black);
}

// ---------------------------------------------------------------------------

TEST(FenLongInput, OverlongFieldsDoNotOverflow) {
  FreshGame();
  const std::string fen = "r3k2r/8/8/8/8/8/8/R3K2R w " + std::string(5000, 'K') + " " +
                          std::string(3000, 'e') + " " + std::string(3000, '9') + " 1";
  ASSERT_EQ(FEN_to_pos(fen.c_str()), 0);
  EXPECT_LT(strlen(FEN_string), sizeof FEN_string);
  EXPECT_STREQ(FEN_string, "r3k2r/8/8/8/8/8/8/R3K2R w K - 0 1");
  EXPECT_EQ(epsquare, 0);

  const GameSnapshot before = GameSnapshot::Take();
  std::string placement = "4k3/8/8/8/8/8/8/4K3";
  EXPECT_EQ(FEN_to_pos((placement + std::string(10000, '/') + " w - -").c_str()), 1);
  EXPECT_EQ(FEN_to_pos((std::string(10000, '1') + " w - -").c_str()), 1);
  EXPECT_EQ(FEN_to_pos((placement + " " + std::string(10000, 'w')).c_str()), 1);
  EXPECT_EQ(GameSnapshot::Take(), before);
}

TEST(FenLongInput, WriterCutsToTheGivenSize) {
  FreshGame();
  ASSERT_EQ(FEN_to_pos(kKiwipete), 0);
  char small[16];
  memset(small, 'x', sizeof small);
  pos_to_FEN(small, 10);
  EXPECT_STREQ(small, "r3k2r/p1p");
  EXPECT_EQ(small[10], 'x');
}

}  // namespace
