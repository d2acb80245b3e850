// Every file the engine writes, under every fault the file layer can stand
// for: a read-only folder, a full disk, failing flushes, closes and renames,
// the process killed half-way. What was on disk before stays byte for byte
// and loads as before, and the engine says in one line what failed.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "app/lifecycle.h"
#include "book/book.h"
#include "book/learn.h"
#include "core/board.h"
#include "core/datafile.h"
#include "core/startup.h"
#include "search/driver.h"
#include "test_util.h"
#include "timectl/clock.h"
#include "ui/command.h"
#include "ui/gamefile.h"
#include "ui/input.h"
#include "ui/notation.h"
#include "ui/testsuite.h"

namespace {

namespace fs = std::filesystem;

constexpr const char* kStart = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";
constexpr const char* kAfterE4 = "rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq - 0 1";
constexpr uint32_t kE2E4 = (12u << 8) | 28u;

// The fault of the running case, and what the hook saw.
struct Armed {
  bool on = false;
  FileStep step = FileStep::kWrite;
  int error = 0;
  long limit = 0;  // bytes that reach the disk before a write fails
  bool kill = false;
  long written = 0;
  std::string failed;  // the file where the fault struck first
} armed;

long Hook(FileStep step, const char* path, long n) {
  if (!armed.on || step != armed.step) return step == FileStep::kWrite ? n : 0;
  if (step != FileStep::kWrite) {
    if (armed.failed.empty()) armed.failed = path;
    return armed.error;
  }
  if (armed.written + n <= armed.limit) {
    armed.written += n;
    return n;
  }
  if (armed.kill) std::_Exit(9);  // no clean-up, as under kill -9
  if (armed.failed.empty()) armed.failed = path;
  const long through = armed.limit > armed.written ? armed.limit - armed.written : 0;
  armed.written += through;
  return through;
}

// The name a message gives: the file's own, not its temporary one.
std::string FinalName(std::string path) {
  const size_t tmp = path.rfind(".tmp");
  const size_t pid = tmp != std::string::npos && tmp > 0 && tmp + 4 == path.size()
                         ? path.rfind('.', tmp - 1)
                         : std::string::npos;
  return pid == std::string::npos ? path : path.erase(pid);
}

// Every file of the current folder, by name.
std::map<std::string, std::string> Files() {
  std::map<std::string, std::string> files;
  for (const auto& e : fs::directory_iterator("."))
    if (e.is_regular_file()) {
      std::ifstream in(e.path(), std::ios::binary);
      files[e.path().filename().string()].assign(std::istreambuf_iterator<char>(in), {});
    }
  return files;
}

void Write(const char* name, const std::string& text) {
  std::ofstream(name, std::ios::binary) << text;
}

constexpr unsigned Step(FileStep s) {
  return 1u << static_cast<int>(s);
}
constexpr unsigned kReplacing = 0x1f;  // open, write, flush, close, rename
constexpr unsigned kAppending = kReplacing & ~Step(FileStep::kReplace);
constexpr unsigned kAdding = Step(FileStep::kWrite) | Step(FileStep::kFlush);

struct Writer {
  const char* name;
  unsigned steps;              // the steps it takes
  std::function<void()> make;  // the files that are there before
  std::function<void()> write;
  // What is said when the fault struck file, opened or not.
  std::function<std::string(const std::string& file, bool opened)> said;
  std::function<void()> load = [] {};  // loads the old files through the engine
};

struct Fault {
  const char* name;
  FileStep step;
  int error;
  double at;  // of the bytes the write takes, those that get through
  bool kill;
};

const Fault kFaults[] = {
    {"read-only folder", FileStep::kOpen, EROFS, 0, false},
    {"no permission", FileStep::kOpen, EACCES, 0, false},
    {"full disk at the first write", FileStep::kWrite, ENOSPC, 0, false},
    {"full disk half-way", FileStep::kWrite, ENOSPC, 0.5, false},
    {"failing flush", FileStep::kFlush, EIO, 0, false},
    {"failing close", FileStep::kClose, EIO, 0, false},
    {"failing rename", FileStep::kReplace, EACCES, 0, false},
};
const Fault kKilled = {"killed half-way", FileStep::kWrite, 0, 0.5, true};

class FileFaults : public ::testing::Test {
 protected:
  void SetUp() override {
    FreshGame();
    CloseBook();
    saved_dir_ = fs::current_path();
    dir_ = FreshTestDir("vorna_faults");
    FileFault = Hook;
  }
  void TearDown() override {
    FileFault = nullptr;
    Clear();
    input_.reset();
    fs::current_path(saved_dir_);
    fs::remove_all(dir_);
    vornapath[0] = hbk_path[0] = '\0';
    NewGame(2);
  }

  // Closes what a case left open and empties the folder.
  void Clear() {
    CloseBook();
    if (Batch != nullptr) fclose(Batch);
    if (Answer != nullptr) fclose(Answer);
    Batch = Answer = nullptr;
    fs::current_path(saved_dir_);
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    fs::current_path(dir_);
  }

  // A fresh folder, engine state and input; the writer's old files in it.
  void Prepare(const Writer& w) {
    Clear();
    snprintf(vornapath, sizeof vornapath, "%s", (dir_ / "").string().c_str());
    memset(ltable, 0, sizeof ltable);
    SessionNumber = 0;
    LearnFlag = 1;
    force = 0;
    ClearGameTags();
    strcpy(oppnam, "Ann");
    root->score = 0;
    SetFen(kStart);
    input_.reset();  // the old pipe gives the input back before a new one takes it
    input_ = std::make_unique<InputPipe>();
    CaptureOutput(w.make);
  }

  // Bytes the writer writes when nothing fails; it leaves no file behind.
  long Measure(const Writer& w) {
    Prepare(w);
    Arm({"none", FileStep::kWrite, 0, 1, false}, 1L << 30);
    CaptureOutput(w.write);
    armed.on = false;
    for (const auto& [name, bytes] : Files())
      EXPECT_EQ(name.find(".tmp"), std::string::npos) << w.name << ": " << name;
    return armed.written;
  }

  void Arm(const Fault& f, long bytes) {
    armed = Armed{};
    armed.on = true;
    armed.step = f.step;
    armed.error = f.error;
    armed.limit = static_cast<long>(f.at * static_cast<double>(bytes));
    armed.kill = f.kill;
  }

  // The old files are all there as they were; after a kill a temporary
  // file, or an empty one opened to be added to, may be left beside them.
  void ExpectOldFiles(const Writer& w, const std::map<std::string, std::string>& before,
                      bool killed) {
    const auto after = Files();
    for (const auto& [name, bytes] : before) {
      const auto it = after.find(name);
      ASSERT_NE(it, after.end()) << w.name << ": " << name << " is gone";
      EXPECT_TRUE(it->second == bytes) << w.name << ": " << name << " changed";
    }
    for (const auto& [name, bytes] : after)
      if (!before.count(name)) {
        EXPECT_TRUE(killed && (bytes.empty() || FinalName(name) != name))
            << w.name << ": " << name << " left behind";
      }
    w.load();
  }

  std::unique_ptr<InputPipe> input_;
  fs::path saved_dir_, dir_;
  SavedGlobals saved_{LearnFlag, learn, SessionNumber, BookOn,  tbooksz, lbooksz,     lbk_hbk,
                      force,     easy,  oppnam,        PosFile, mvstr,   BestTimeStr, evrate};
};

// The old learning file loads with its entry; the book opens with e2e4 at
// the start; the old game loads.
void LoadLearning() {
  memset(ltable, 0, sizeof ltable);
  LearnFlag = 0;
  EXPECT_EQ(CaptureOutput(InitLearn), "");
  EXPECT_EQ(SessionNumber, 1);
  EXPECT_EQ(ltable[white][hashkey & kLearnMask].key, hashbd);
  EXPECT_EQ(ltable[white][(hashkey + 1) & kLearnMask].key, 0u);  // the new entry is not
}
void LoadBook() {
  CloseBook();
  CaptureOutput(OpenBook);
  ASSERT_EQ(BookOn, 1);
  NewGame(2);
  int index = 0, weight = 0;
  EXPECT_EQ(RepFromBook(&index, &weight), ShortMove(12, 28));
  EXPECT_EQ(RepFromBook(&index, &weight), 0);  // d2d4 was never added
}
void LoadGame() {
  EXPECT_EQ(GetGame(1), 0);
  EXPECT_STREQ(oppnam, "Ann ");
  EXPECT_EQ(board[12], pawn);  // e2, as at the start
  EXPECT_EQ(board[28], no_piece);
}

void CompileBook() {
  Write("vorna.sbk", "512 4096\n10 \n");
  Write("vorna.bok", "e2e4 e7e5\n");
  OpenBook();
  NewGame(2);
}

std::string BookSaid(const std::string& file, bool) {
  return file + " could not be written: the book files are unchanged\n";
}
std::string TextSaid(const std::string& file, bool opened) {
  return (opened ? "Could not write file: " : "Could not open file: ") + file + "\n";
}

std::vector<Writer> Writers(std::unique_ptr<InputPipe>& input) {
  auto send = [&input](const char* text) { input->Send(text); };
  // "zb" of a text book whose line cannot be read: one line for open.log.
  auto add_bad_line = [] {
    NewGame(1);
    AddBook("bad.bok");
    NewGame(1);
  };
  return {
      {"learning file saved", kReplacing,
       [] {
         InitLearn();
         PutInLearn(white, 4, 10, -50, 50, kE2E4, 2);
         CloseLearn();
         InitLearn();
         hashkey += 1;
         PutInLearn(white, 6, 20, -50, 50, kE2E4, 2);
         hashkey -= 1;
       },
       CloseLearn,
       [](const std::string&, bool) {
         return "Learning file " + std::string(LearnPath) +
                " could not be saved: learning stays on\n";
       },
       LoadLearning},
      {"learning file created", kReplacing, [] {}, InitLearn,
       [](const std::string&, bool) {
         return "Learning file " + std::string(LearnPath) + " cannot be created: learning is off\n";
       }},
      {"book initialised", kReplacing, CompileBook, InitBook, BookSaid, LoadBook},
      {"book added to", kReplacing,
       [] {
         CompileBook();
         Write("more.bok", "d2d4\n");
       },
       [] {
         NewGame(1);
         AddBook("more.bok");
         NewGame(1);
       },
       BookSaid, LoadBook},
      {"book compiled at the start", kReplacing,
       [] {
         Write("vorna.sbk", "512 4096\n10 \n");
         Write("vorna.bok", "e2e4 e7e5\n");
       },
       OpenBook,
       [](const std::string& file, bool opened) {
         return "generiere Bin-Buch -- bitte etwas Geduld\n" + BookSaid(file, opened);
       },
       [] {
         CaptureOutput(OpenBook);
         EXPECT_EQ(BookOn, 1);
       }},
      {"game saved", kReplacing, [] { SaveGame(1); },
       [] {
         SetFen(kAfterE4);
         strcpy(oppnam, "Bob");
         SaveGame(1);
       },
       [](const std::string& file, bool opened) {
         return opened ? "Could not write file: " + file + "\n" : "Could not open file: " + file;
       },
       LoadGame},
      {"position file written", kReplacing,
       [send] {
         send("pos.txt first\n");
         PutPosition();
       },
       [send] {
         SetFen(kAfterE4);
         send("pos.txt second\n");
         PutPosition();
       },
       TextSaid},
      {"move list written", kReplacing, [] { ListGame("moves.lst"); },
       [] {
         strcpy(oppnam, "Bob");
         ListGame("moves.lst");
       },
       TextSaid},
      {"PGN game added", kAppending,
       [send] {
         send("Home Club\n");  // site and event
         ExportGame("games");
       },
       [send] {
         ClearGameTags();
         send("Away Cup\n");
         ExportGame("games");
       },
       TextSaid},
      {"test run started", kReplacing,
       [] {
         Write("cmds", "st 1\n");
         Write("answer.out", "the answers of an older run\n");
       },
       [] { Solve("cmds"); },
       [](const std::string&, bool) { return std::string("Could not open file: answer.out\n"); }},
      {"answer line added", kAdding,
       [] {
         Write("cmds", "st 1\n");
         Solve("cmds");
         snprintf(PosFile, sizeof PosFile, "a.pos");
         snprintf(mvstr, sizeof mvstr, "e2e4");
         snprintf(BestTimeStr, sizeof BestTimeStr, " in 0:01 [3]");
         WriteAnswer(25);
       },
       [] { WriteAnswer(-30); }, TextSaid},
      {"compile log line added", kAppending,
       [] {
         Write("open.log", "the log of an older compilation\n");
         Write("bad.bok", "j9j9\n");
       },
       add_bad_line, TextSaid},
      {"compile log started", kAppending, [] { Write("bad.bok", "j9j9\n"); }, add_bad_line,
       TextSaid},
  };
}

TEST_F(FileFaults, EveryWriterKeepsTheOldFilesAndSaysInOneLineWhatFailed) {
  for (const Writer& w : Writers(input_)) {
    const long bytes = Measure(w);
    ASSERT_GT(bytes, 0) << w.name;
    for (const Fault& f : kFaults) {
      if (!(w.steps & Step(f.step))) continue;
      SCOPED_TRACE(std::string(w.name) + ", " + f.name);
      Prepare(w);
      const auto before = Files();
      Arm(f, bytes);
      const std::string out = CaptureOutput(w.write);
      armed.on = false;
      ASSERT_FALSE(armed.failed.empty()) << "the fault never struck";
      EXPECT_EQ(out, w.said(FinalName(armed.failed), f.step != FileStep::kOpen));
      ExpectOldFiles(w, before, false);
    }
  }
}

TEST_F(FileFaults, AProgramKilledWhileWritingLeavesTheOldFilesWhole) {
  for (const Writer& w : Writers(input_)) {
    SCOPED_TRACE(w.name);
    const long bytes = Measure(w);
    Prepare(w);
    const auto before = Files();
    EXPECT_EXIT(
        {
          Arm(kKilled, bytes);
          CaptureOutput(w.write);
        },
        ::testing::ExitedWithCode(9), "");
    ExpectOldFiles(w, before, true);
  }
}

}  // namespace
