// Helpers shared by the unit tests.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

// An empty folder of the running test's own under the temporary folder,
// named from stem, the process and the test, so that test processes run
// side by side never share one.
std::filesystem::path FreshTestDir(const char* stem);

// Builds the static tables once and starts a new game.
void FreshGame();
// Square number of a name such as "e4".
int Sq(const char* name);
// Starts a new game from a FEN; fails the test when the FEN is refused.
void SetFen(const char* fen);
// The FEN of the current position.
std::string CurrentFen();

struct GameEntry;
struct TreeEntry;

// The move of side named in coordinates (e2e4, e7e8q) in a fresh move list
// at ply; nullptr when there is none. A promotion needs its piece letter.
TreeEntry* FindMove(int side, const char* coord, int ply = 1);

// The position, its counters and the game record, for checking that a
// refused or taken-back action left everything as it was. Slot numbers of
// empty squares mean nothing and are not compared. A position-only
// snapshot leaves out the record, names and roles and compares the piece
// lists as sets: a capture taken back returns its man to the list's end.
struct GameSnapshot {
  std::vector<int16_t> squares, counts, lists[2];
  std::vector<uint8_t> record;
  int32_t ep = 0, game50 = 0, game_cnt = 0, cnt_moves = 0, roles[3] = {};
  uint32_t key = 0, bd = 0;
  std::string fen, name, pos_file;

  static GameSnapshot Take(bool position_only = false);
  GameEntry Entry(int i) const;  // entry i of the record
  bool operator==(const GameSnapshot&) const = default;
};

// The engine's output goes to a temporary file while this lives; Text()
// reads back everything written so far.
class CapturedOutput {
 public:
  CapturedOutput();
  ~CapturedOutput();
  CapturedOutput(const CapturedOutput&) = delete;
  CapturedOutput& operator=(const CapturedOutput&) = delete;
  std::string Text();

 private:
  FILE* saved_;
  FILE* file_;
};

// The text of a file as a text stream reads it (CR LF line ends become LF
// on Windows); empty when there is no such file.
std::string ReadText(const std::filesystem::path& path);
// Writes the bytes of text to a file, replacing it.
void WriteBytes(const std::filesystem::path& path, const std::string& text);

// Opens files as a read-only file system would: reading only. File
// permissions do not bind root, who runs the tests in CI.
FILE* ReadOnlyOpen(const char* path, const char* mode);

// Runs f with the engine's output going to a string, and returns it.
std::string CaptureOutput(const std::function<void()>& f);

// Sets the position up and lets the engine move for the side to move to the
// given depth, with no clock, book, learning or input polling; returns what
// it printed.
std::string PlayFromFen(
    const char* fen, int depth, const std::function<void()>& setup = [] {});

// The engine's standard input comes from a pipe while this lives, so that
// a read waits for more and KBhit sees only what was sent.
class InputPipe {
 public:
  InputPipe();
  ~InputPipe();
  InputPipe(const InputPipe&) = delete;
  InputPipe& operator=(const InputPipe&) = delete;
  void Send(const std::string& text);
  // Ends the input: the next read finds its end.
  void Close();

 private:
  int fds_[2] = {-1, -1};
  int saved_fd_ = 0;
};

// Remembers variables and puts them back when it goes, so that a test that
// fails half-way does not leave them changed for the tests after it.
// Fixtures hold one as a member.
class SavedGlobals {
 public:
  template <typename... T>
  explicit SavedGlobals(T&... vars) {
    (Keep(vars), ...);
  }
  ~SavedGlobals() {
    for (auto it = restore_.rbegin(); it != restore_.rend(); ++it) (*it)();
  }
  SavedGlobals(const SavedGlobals&) = delete;
  SavedGlobals& operator=(const SavedGlobals&) = delete;

 private:
  template <typename T>
  void Keep(T& var) {
    restore_.push_back([&var, value = var] { var = value; });
  }
  template <typename T, size_t N>
  void Keep(T (&arr)[N]) {
    std::vector<T> copy(arr, arr + N);
    restore_.push_back([&arr, copy] { std::copy(copy.begin(), copy.end(), arr); });
  }
  std::vector<std::function<void()>> restore_;
};
