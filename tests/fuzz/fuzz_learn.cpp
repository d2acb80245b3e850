// Feeds arbitrary bytes to the learning reader as vorna.lrn, then looks up
// and stores positions as the tree search does, and saves the table.
//
// Input: byte 0, bits 0-1, the shape of the file: 0 the rest of the input
// as it is; 1 a file of the learning file's size, 2 one byte longer, 3 one
// byte shorter, each all zeros but for the session counter (bytes 1-2) and
// the records that follow in the input. With bit 2 clear a record is 22
// bytes, its entry number (16-bit, white's 0-16383, black's after them)
// and the 20 bytes of the record. With bit 2 set it is 21 bytes, a
// selector and the record: the selector puts it into one of the slots 0-7
// from the home of one of the probed positions (bits 0-2 the position,
// bit 3 the table of the side not to move there, bits 4-6 the slot) and,
// with bit 7, gives it that position's key.
//
// Checked: the table loaded is the file's (its sound records, nothing else
// and nothing left from the input before) or, for a broken file, empty, and
// the session counter with it; a probe answers only with its flags, keeps
// the window and the score as they were when it does not answer, gives
// scores within the mate bounds, and hands the search a legal move or none;
// stores keep the table sound; the position is left as it was; the save
// writes the table back whole with the next session and turns learning off.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "book/learn.h"
#include "fuzz_common.h"
#include "search/treesearch.h"

namespace {

constexpr const char* kTarget = "fuzz_learn";
constexpr int32_t kScoreLimit = 10000;  // no search score lies beyond a mate

void Check(bool ok, const char* what, const std::string& detail = "") {
  if (!ok) fuzz::Fail(kTarget, what, detail);
}

uint32_t Le32(const uint8_t* p) {
  return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
}
uint16_t Le16(const uint8_t* p) {
  return static_cast<uint16_t>(p[0] | p[1] << 8);
}

// A record of the file as the format describes it; an empty or unsound one
// (squares off the board, a score beyond a mate, an unknown flag) reads as
// an empty entry.
LearnEntry Expected(const uint8_t* p) {
  LearnEntry e{};
  e.key = Le32(p);
  e.score = static_cast<int32_t>(Le32(p + 4));
  e.session = Le16(p + 8);
  e.reserved0 = Le16(p + 10);
  e.move = Le32(p + 12);
  e.flag = p[16];
  e.depth = p[17];
  e.reserved1 = Le16(p + 18);
  const bool sound = ((e.move >> 8) & 0xff) < 64 && (e.move & 0xff) < 64 &&
                     e.score >= -kScoreLimit && e.score <= kScoreLimit &&
                     (e.flag == 1 || e.flag == 2 || e.flag == 4);
  return e.key != 0 && sound ? e : LearnEntry{};
}

bool Same(const LearnEntry& a, const LearnEntry& b) {
  return a.key == b.key && a.score == b.score && a.session == b.session &&
         a.reserved0 == b.reserved0 && a.move == b.move && a.flag == b.flag && a.depth == b.depth &&
         a.reserved1 == b.reserved1;
}

bool Sound(const LearnEntry& e) {
  if (e.key == 0) return true;
  return ((e.move >> 8) & 0xff) < 64 && (e.move & 0xff) < 64 && e.score >= -kScoreLimit &&
         e.score <= kScoreLimit && (e.flag == 1 || e.flag == 2 || e.flag == 4);
}

struct Probed {
  uint32_t key, bd;
  int side;
};
Probed probed[fuzz::kLineCount];

// The file the input describes.
std::string FileOf(const uint8_t* data, size_t size) {
  const int shape = data[0] & 3;
  if (shape == 0) return std::string(reinterpret_cast<const char*>(data + 1), size - 1);
  std::string file(kLearnFileBytes, '\0');
  if (size >= 3) file.replace(0, 2, reinterpret_cast<const char*>(data + 1), 2);
  const bool relative = (data[0] & 4) != 0;
  const size_t step = (relative ? 1 : 2) + kLearnEntryBytes;
  for (size_t at = 3; at + step <= size; at += step) {
    size_t entry = 0;
    if (relative) {
      const uint8_t sel = data[at];
      const Probed& p = probed[sel & 7];
      const int side = (sel & 8) ? 1 - p.side : p.side;
      entry = static_cast<size_t>(side) * kLearnEntries + ((p.key + ((sel >> 4) & 7)) & kLearnMask);
      if (sel & 0x80) {
        uint8_t record[kLearnEntryBytes];
        memcpy(record, data + at + 1, sizeof record);
        for (int i = 0; i < 4; i++) record[i] = static_cast<uint8_t>(p.bd >> (8 * i));
        file.replace(2 + entry * kLearnEntryBytes, kLearnEntryBytes,
                     reinterpret_cast<const char*>(record), kLearnEntryBytes);
        continue;
      }
    } else {
      entry = Le16(data + at) % (2 * kLearnEntries);
    }
    file.replace(2 + entry * kLearnEntryBytes, kLearnEntryBytes,
                 reinterpret_cast<const char*>(data + at + step - kLearnEntryBytes),
                 kLearnEntryBytes);
  }
  if (shape == 2) file.push_back('\x5a');
  if (shape == 3) file.pop_back();
  return file;
}

// The table and counter InitLearn must load from file.
void CheckLoaded(const std::string& file) {
  const auto* b = reinterpret_cast<const uint8_t*>(file.data());
  const bool whole = file.size() == static_cast<size_t>(kLearnFileBytes) && Le16(b) <= kLastSession;
  Check(SessionNumber == (whole ? Le16(b) : 0), "the session counter is not the file's");
  for (int side = 0; side < 2; side++)
    for (int i = 0; i < kLearnEntries; i++) {
      const LearnEntry want =
          whole ? Expected(b + 2 + (static_cast<size_t>(side) * kLearnEntries + i) * 20)
                : LearnEntry{};
      Check(Same(ltable[side][i], want), "an entry is not the file's",
            "side " + std::to_string(side) + " slot " + std::to_string(i));
    }
}

// Looks the current position up for side with every depth, window and ply
// the search uses near the root.
void Probe(int side) {
  static const int32_t kWindows[][2] = {{-kInfinity, kInfinity}, {-50, 50}, {0, 1}, {9500, 9600}};
  static const int kDepths[] = {0, 1, 4, 12, 60};
  for (const auto& w : kWindows)
    for (const int depth : kDepths)
      for (int ply = 1; ply <= 3; ply++) {
        for (int p = 1; p <= 4; p++) TrPnt[p] = Tree;
        int32_t alpha = w[0], beta = w[1], score = 77777;
        PV = 0xfefe;
        const int flag = ProbeLearn(side, depth, &alpha, &beta, &score, ply);
        const std::string at = fuzz::Fen() + " depth " + std::to_string(depth) + " ply " +
                               std::to_string(ply) + " side " + std::to_string(side);
        switch (flag) {
          case 0:
            Check(alpha == w[0] && beta == w[1] && score == 77777 && PV == 0xfefe,
                  "a probe that does not answer changes the search's state", at);
            break;
          case 1:
            Check(score >= -kScoreLimit && score <= kScoreLimit, "an exact score out of bounds",
                  std::to_string(score) + " " + at);
            Check(alpha == w[0] && beta == w[1], "an exact score moves the window", at);
            break;
          case 2:
            Check(alpha > w[0] && alpha <= kScoreLimit && beta == w[1],
                  "a lower bound out of bounds", std::to_string(alpha) + " " + at);
            break;
          case 4:
            Check(beta < w[1] && beta >= -kScoreLimit && alpha == w[0],
                  "an upper bound out of bounds", std::to_string(beta) + " " + at);
            Check(PV == 0, "an upper bound hands the search a move", at);
            break;
          default:
            Check(false, "a probe answers with an unknown flag", std::to_string(flag));
        }
        if (flag == 1 || flag == 2)
          Check(PV == 0 || fuzz::IsLegal(side, PV),
                "the learning file hands the search an illegal move",
                fuzz::MoveText(PV) + " " + at);
      }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static bool ready = false;
  if (!ready) {
    fuzz::Start("learn");
    for (int i = 0; i < fuzz::kLineCount; i++) {
      const int side = fuzz::PlayLine(kTarget, fuzz::kLines[i]);
      probed[i] = {hashkey, hashbd, side};
    }
    ready = true;
  }
  if (size < 1) return 0;

  // 1. What the last input left is spoilt, so that a leak shows.
  memset(ltable, 0xa5, sizeof ltable);
  SessionNumber = 4321;
  LearnFlag = 0;
  const std::string file = FileOf(data, size);
  Check(fuzz::WriteFile("vorna.lrn", file.data(), file.size()), "cannot write vorna.lrn");

  // 2. The load.
  InitLearn();
  Check(LearnFlag == 1, "learning is off after loading a writable file");
  CheckLoaded(file);
  const uint16_t session = SessionNumber;

  // 3. Lookups and stores from each position, as the search makes them.
  learn = 1;
  for (int i = 0; i < fuzz::kLineCount; i++) {
    const int side = fuzz::PlayLine(kTarget, fuzz::kLines[i]);
    const fuzz::Position before = fuzz::Position::Take();
    Probe(side);
    Probe(1 - side);
    TrPnt[1] = Tree;
    MoveList(side, 1);
    const uint32_t move = MoveWord(*Tree);
    PutInLearn(side, 3 + i, 20 * i - 70, -30, 30, move, 1 + i % 3);
    PutInLearn(side, 2, 9990 - i, -kInfinity, kInfinity, move, 2);
    PutInLearn(1 - side, 5, -9990, -kInfinity, kInfinity, 0, 3);
    Check(fuzz::Position::Take() == before, "learning changed the position", before.fen);
    fuzz::CheckConsistent(kTarget);
  }
  for (int side = 0; side < 2; side++)
    for (int i = 0; i < kLearnEntries; i++)
      Check(Sound(ltable[side][i]), "a store left an unsound entry", std::to_string(i));

  // 4. The save: the table whole, with the next session, and learning off.
  CloseLearn();
  Check(LearnFlag == 0, "learning is still on after the save");
  FILE* f = fopen("vorna.lrn", "rb");
  Check(f != nullptr, "the save left no learning file");
  std::string saved(kLearnFileBytes + 1, '\0');
  const size_t n = fread(saved.data(), 1, saved.size(), f);
  fclose(f);
  saved.resize(n);
  Check(n == static_cast<size_t>(kLearnFileBytes), "the saved file has the wrong size");
  Check(Le16(reinterpret_cast<const uint8_t*>(saved.data())) ==
            std::min<int>(session + 1, kLastSession),
        "the saved session is not the next one");
  CheckLoaded(saved);
  return 0;
}
