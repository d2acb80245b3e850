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

// A record of the file as the format describes it, for the checks below:
// squares on the board, a score within the mate bounds and a known flag.
bool Sound(uint32_t move, int32_t score, uint8_t flag) {
  return ((move >> 8) & 0xff) < 64 && (move & 0xff) < 64 && score >= -kScoreLimit &&
         score <= kScoreLimit && (flag == 1 || flag == 2 || flag == 4);
}
bool Sound(const LearnEntry& e) {
  return e.key == 0 || Sound(e.move, e.score, e.flag);
}

struct Probed {
  uint32_t key, bd;
  int side;
};
Probed probed[fuzz::kLineCount];

// The file the input describes; placed collects the entry numbers of the
// records put in (all others are zeros).
std::string FileOf(const uint8_t* data, size_t size, std::vector<size_t>* placed) {
  const int shape = data[0] & 3;
  if (shape == 0) return std::string(reinterpret_cast<const char*>(data + 1), size - 1);
  std::string file(kLearnFileBytes, '\0');
  if (size >= 3) file.replace(0, 2, reinterpret_cast<const char*>(data + 1), 2);
  const bool relative = (data[0] & 4) != 0;
  const size_t step = (relative ? 1 : 2) + kLearnEntryBytes;
  for (size_t at = 3; at + step <= size; at += step) {
    uint8_t record[kLearnEntryBytes];
    memcpy(record, data + at + step - kLearnEntryBytes, sizeof record);
    size_t entry = 0;
    if (relative) {
      const uint8_t sel = data[at];
      const Probed& p = probed[sel & 7];
      const int side = (sel & 8) ? 1 - p.side : p.side;
      entry = static_cast<size_t>(side) * kLearnEntries + ((p.key + ((sel >> 4) & 7)) & kLearnMask);
      if (sel & 0x80)
        for (int i = 0; i < 4; i++) record[i] = static_cast<uint8_t>(p.bd >> (8 * i));
    } else {
      entry = Le16(data + at) % (2 * kLearnEntries);
    }
    file.replace(2 + entry * kLearnEntryBytes, kLearnEntryBytes,
                 reinterpret_cast<const char*>(record), kLearnEntryBytes);
    placed->push_back(entry);
  }
  if (shape == 2) file.push_back('\x5a');
  if (shape == 3) file.pop_back();
  return file;
}

// The table and counter InitLearn must load from file: a whole file's
// records with the empty and unsound ones cleared, or nothing. The entries
// are 20 bytes in memory as in the file, and the host is little-endian.
void CheckLoaded(const std::string& file, const std::vector<size_t>& placed) {
  const auto* b = reinterpret_cast<const uint8_t*>(file.data());
  const bool whole = file.size() == static_cast<size_t>(kLearnFileBytes) && Le16(b) <= kLastSession;
  if (SessionNumber != (whole ? Le16(b) : 0))
    fuzz::Fail(kTarget, "the session counter is not the file's");
  std::string want(sizeof ltable, '\0');
  if (whole) {
    for (const size_t i : placed) {
      const uint8_t* r = b + 2 + i * kLearnEntryBytes;
      if (Le32(r) != 0 && Sound(Le32(r + 12), static_cast<int32_t>(Le32(r + 4)), r[16]))
        want.replace(i * kLearnEntryBytes, kLearnEntryBytes, reinterpret_cast<const char*>(r),
                     kLearnEntryBytes);
    }
  }
  if (memcmp(want.data(), ltable, sizeof ltable) == 0) return;
  for (size_t i = 0; i < 2 * kLearnEntries; i++)
    if (memcmp(want.data() + i * kLearnEntryBytes, &ltable[i / kLearnEntries][i % kLearnEntries],
               kLearnEntryBytes) != 0)
      fuzz::Fail(kTarget, "an entry is not the file's", "entry " + std::to_string(i));
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
        const auto fail = [&](const char* what) {
          fuzz::Fail(kTarget, what,
                     fuzz::Fen() + " side " + std::to_string(side) + " depth " +
                         std::to_string(depth) + " ply " + std::to_string(ply) + " window " +
                         std::to_string(w[0]) + ".." + std::to_string(w[1]) + ": flag " +
                         std::to_string(flag) + " alpha " + std::to_string(alpha) + " beta " +
                         std::to_string(beta) + " score " + std::to_string(score) + " move " +
                         fuzz::MoveText(PV));
        };
        switch (flag) {
          case 0:
            if (alpha != w[0] || beta != w[1] || score != 77777 || PV != 0xfefe)
              fail("a probe that does not answer changes the search's state");
            break;
          case 1:
            if (score < -kScoreLimit || score > kScoreLimit) fail("an exact score out of bounds");
            if (alpha != w[0] || beta != w[1]) fail("an exact score moves the window");
            break;
          case 2:
            if (alpha <= w[0] || alpha > kScoreLimit || beta != w[1])
              fail("a lower bound out of bounds");
            break;
          case 4:
            if (beta >= w[1] || beta < -kScoreLimit || alpha != w[0])
              fail("an upper bound out of bounds");
            if (PV != 0) fail("an upper bound hands the search a move");
            break;
          default:
            fail("a probe answers with an unknown flag");
        }
        if ((flag == 1 || flag == 2) && PV != 0 && !fuzz::IsLegal(side, PV))
          fail("the learning file hands the search an illegal move");
      }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static bool ready = false;
  if (!ready) fuzz::Start("learn");
  const fuzz::InFolder here;
  if (!ready) {
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
  std::vector<size_t> placed;
  const std::string file = FileOf(data, size, &placed);
  Check(fuzz::WriteFile("vorna.lrn", file.data(), file.size()), "cannot write vorna.lrn");

  // 2. The load.
  InitLearn();
  Check(LearnFlag == 1, "learning is off after loading a writable file");
  CheckLoaded(file, placed);
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
  // Stores reach the five slots from a position's home only.
  for (const Probed& p : probed)
    for (int side = 0; side < 2; side++)
      for (uint32_t i = 0; i < 5; i++)
        Check(Sound(ltable[side][(p.key + i) & kLearnMask]), "a store left an unsound entry");

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
  Check(memcmp(saved.data() + 2, ltable, sizeof ltable) == 0,
        "the saved file does not hold the table");
  return 0;
}
