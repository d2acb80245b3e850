#include "test_util.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>

#include "app/lifecycle.h"
#include "book/learn.h"
#include "core/board.h"
#include "core/movegen.h"
#include "core/movetables.h"
#include "platform/platform.h"
#include "search/driver.h"
#include "search/hashtable.h"
#include "search/treesearch.h"
#include "timectl/clock.h"
#include "timectl/timectl.h"
#include "ui/command.h"
#include "ui/config.h"
#include "ui/gamefile.h"
#include "ui/input.h"
#include "ui/output.h"
#include "ui/poll.h"
#include "ui/position.h"

void FreshGame() {
  static bool tables_built = false;
  if (!tables_built) {
    InitializeTables();
    SearchInputPoll = PollSearchInput;
    tables_built = true;
  }
  NewGame(2);
}

int Sq(const char* name) {
  return (name[1] - '1') * 8 + (name[0] - 'a');
}

void SetFen(const char* fen) {
  FreshGame();
  ASSERT_EQ(FEN_to_pos(fen), 0) << fen;
}

TreeEntry* FindMove(int side, const char* coord, int ply) {
  if (ply == 1) TrPnt[1] = Tree;
  MoveList(side, ply);
  const int from = Sq(coord), to = Sq(coord + 2);
  for (TreeEntry* e = TrPnt[ply]; e < TrPnt[ply + 1]; e++) {
    const char promo = (e->flags & MF_PROMOTE) ? "  nbrq"[e->flags & MF_PROMO_PIECE] : '\0';
    if (e->from == from && e->to == to && promo == coord[4]) return e;
  }
  return nullptr;
}

std::string CurrentFen() {
  char fen[kFenSize];
  pos_to_FEN(fen);
  return fen;
}

GameSnapshot GameSnapshot::Take(bool position_only) {
  GameSnapshot s;
  for (const int16_t* a : {board, color, Mvboard}) s.squares.insert(s.squares.end(), a, a + 64);
  if (!position_only)
    for (int sq = 0; sq < 64; sq++) s.squares.push_back(color[sq] == neutral ? -1 : Pindex[sq]);
  for (int i = 0; i < 2; i++) {
    s.counts.insert(s.counts.end(), PawnCnt[i], PawnCnt[i] + 8);
    s.counts.insert(s.counts.end(), {mtl[i], pmtl[i], emtl[i], castld[i], PieceCnt[i]});
    if (position_only) {
      s.lists[i].assign(PieceList[i], PieceList[i] + PieceCnt[i] + 1);
      std::sort(s.lists[i].begin() + 1, s.lists[i].end());
    } else {
      s.lists[i].assign(PieceList[i], PieceList[i] + 16);
    }
  }
  s.ep = epsquare, s.game50 = Game50, s.game_cnt = GameCnt;
  s.key = hashkey, s.bd = hashbd;
  if (position_only) return s;
  const auto* rec = reinterpret_cast<const uint8_t*>(GameList);
  s.record.assign(rec, rec + sizeof GameList);
  s.cnt_moves = CntMoves;
  s.roles[0] = computer, s.roles[1] = opponent, s.roles[2] = player;
  s.fen = FEN_string, s.name = oppnam, s.pos_file = PosFile;
  return s;
}

GameEntry GameSnapshot::Entry(int i) const {
  GameEntry e;
  std::memcpy(&e, record.data() + i * sizeof e, sizeof e);
  return e;
}

CapturedOutput::CapturedOutput() : saved_(OutFile), file_(std::tmpfile()) {
  if (file_ == nullptr) ADD_FAILURE() << "no temporary file for the output";
  OutFile = file_ ? file_ : saved_;
}

CapturedOutput::~CapturedOutput() {
  OutFile = saved_;
  if (file_) std::fclose(file_);
}

std::string CapturedOutput::Text() {
  if (file_ == nullptr) return "";
  std::fflush(file_);
  const long end = std::ftell(file_);
  std::string out(static_cast<size_t>(end > 0 ? end : 0), '\0');
  std::rewind(file_);
  const size_t got = std::fread(out.data(), 1, out.size(), file_);
  out.resize(got);
  std::fseek(file_, 0, SEEK_END);
  return out;
}

std::filesystem::path FreshTestDir(const char* stem) {
  const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string name = std::string(stem) + "_" + std::to_string(PlatformProcessId());
  if (test != nullptr) name = name + "_" + test->test_suite_name() + "_" + test->name();
  for (char& c : name)
    if (c == '/') c = '_';  // parameterised tests have a '/' in their names
  const std::filesystem::path dir = std::filesystem::temp_directory_path() / name;
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  return dir;
}

std::string CaptureOutput(const std::function<void()>& f) {
  CapturedOutput out;
  f();
  return out.Text();
}

std::string ReadText(const std::filesystem::path& path) {
  std::ifstream in(path);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteBytes(const std::filesystem::path& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

FILE* ReadOnlyOpen(const char* path, const char* mode) {
  return strchr(mode, 'w') || strchr(mode, '+') ? nullptr : std::fopen(path, mode);
}

InputPipe::InputPipe() : saved_fd_(InputFd) {
  if (PlatformOpenPipe(fds_) != 0) {
    ADD_FAILURE() << "no pipe for the input";
    return;
  }
  InputFd = fds_[0];
  ResetInput();
}

InputPipe::~InputPipe() {
  InputFd = saved_fd_;
  for (int fd : fds_)
    if (fd >= 0) PlatformClose(fd);
  ResetInput();
}

void InputPipe::Send(const std::string& text) {
  ASSERT_GE(fds_[1], 0) << "input already closed";
  const long n = static_cast<long>(text.size());
  ASSERT_EQ(PlatformWrite(fds_[1], text.data(), n), n);
}

void InputPipe::Close() {
  if (fds_[1] >= 0) PlatformClose(fds_[1]);
  fds_[1] = -1;
}

namespace {

// The engine leaves through exit() on a quit or at the end of input; inside
// a test that would end the run with status 0 and hide the failure.
bool in_test = false;

class ExitGuard : public ::testing::EmptyTestEventListener {
  void OnTestStart(const ::testing::TestInfo&) override { in_test = true; }
  void OnTestEnd(const ::testing::TestInfo&) override { in_test = false; }
};

void CheckExit() {
  if (in_test) {
    std::fprintf(stderr, "the program exited in the middle of a test\n");
    std::_Exit(1);
  }
}

const bool exit_guard_installed = [] {
  ::testing::UnitTest::GetInstance()->listeners().Append(new ExitGuard);
  std::atexit(CheckExit);
  return true;
}();

}  // namespace

std::string PlayFromFen(const char* fen, int depth, const std::function<void()>& setup) {
  SetFen(fen);
  setup();
  TCflag = -1;
  MaxSearchDepth = depth;
  ics_book = 0;
  learn = LearnFlag = 0;
  lookahead = 0;
  puzzling = 1;
  post = 0;
  computer = player;
  opponent = 1 - player;
  const std::string out = CaptureOutput([] { SelectMove(player); });
  puzzling = 0;
  TCflag = 1;
  return out;
}
