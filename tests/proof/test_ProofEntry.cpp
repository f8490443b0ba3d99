// AccurateRip database entries: real ones kept by ARver's and whipper's tests, read to the
// values those tests expect, and cut or garbled ones, which must fail with a message and
// nothing worse.

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "AccurateRipEntry.h"
#include "WavFile.h"

namespace corvane::proof {
namespace {

std::string DataPath(const std::string& Name) {
  return std::string(CORVANE_TEST_DATA) + "/accuraterip/" + Name;
}

std::vector<TArPressing> ParseFile(const std::string& Name) {
  const std::vector<uint8_t> bytes = test::ReadFileBytes(DataPath(Name));
  return ParseAccurateRipEntry(bytes.data(), bytes.size());
}

// (track from 1, checksum) -> (confidence, submission from 1)
using TChecksumTable = std::map<std::pair<int, uint32_t>, std::pair<int, int>>;

// ARver's view of an entry, which its tests compare with a JSON file: every line of nonzero
// confidence, a later submission's line replacing an earlier one of the same checksum.
TChecksumTable TableOf(const std::vector<TArPressing>& Entry) {
  TChecksumTable table;
  for (size_t r = 0; r < Entry.size(); ++r) {
    for (size_t t = 0; t < Entry[r].Tracks.size(); ++t) {
      const TArTrackEntry& line = Entry[r].Tracks[t];
      if (line.Confidence == 0) continue;
      table[{static_cast<int>(t + 1), line.Checksum}] = {line.Confidence, static_cast<int>(r + 1)};
    }
  }
  return table;
}

// ARver's JSON files hold one key or value a line, nested by one space a level: track,
// checksum (decimal), then "confidence" and "response".
TChecksumTable ReadArverJson(const std::string& Name) {
  std::ifstream in(DataPath(Name));
  TChecksumTable table;
  int track = 0;
  uint32_t checksum = 0;
  for (std::string line; std::getline(in, line);) {
    const size_t indent = line.find_first_not_of(' ');
    const size_t open = line.find('"');
    if (open == std::string::npos) continue;
    const std::string key = line.substr(open + 1, line.find('"', open + 1) - open - 1);
    const std::string value = line.substr(line.find(':') + 1);
    if (indent == 1) track = std::stoi(key);
    if (indent == 2) checksum = static_cast<uint32_t>(std::stoul(key));
    if (indent == 3 && key == "confidence") table[{track, checksum}].first = std::stoi(value);
    if (indent == 3 && key == "response") table[{track, checksum}].second = std::stoi(value);
  }
  return table;
}

// Each entry's header fields are those its name gives; its lines those of ARver's JSON file
// beside it, or for whipper's entry those whipper's test_common_accurip.py expects.
TEST(ProofEntry, RealEntriesReadAsTheirRippersExpect) {
  const TChecksumTable whipper = {{{1, 0x284fc705}, {12, 1}},
                                  {{2, 0x9cc1f32e}, {20, 1}},
                                  {{1, 0xdc77f9ab}, {7, 2}},
                                  {{2, 0xdd97d2c3}, {7, 2}}};
  struct TCase {
    const char* Name;
    const TChecksumTable* Expected;
  } const cases[] = {
      {"dBAR-001-000441fd-000883fb-020e8801", nullptr},
      {"dBAR-013-00206791-01486a82-a710de0d", nullptr},
      {"dBAR-042-00b15696-110290c9-b6115d2b", nullptr},  // mixed mode: 43 tracks for FreeDB
      {"dBAR-099-009fc8d0-224410e4-6308d763", nullptr},  // lines of confidence 0
      {"dBAR-002-0000f21c-00027ef8-05021002", &whipper},
  };
  for (const TCase& c : cases) {
    const std::string name = c.Name;
    const std::vector<TArPressing> entry = ParseFile(name + ".bin");
    ASSERT_FALSE(entry.empty()) << name;
    unsigned count = 0;
    unsigned id1 = 0;
    unsigned id2 = 0;
    unsigned freeDb = 0;
    ASSERT_EQ(std::sscanf(c.Name, "dBAR-%u-%x-%x-%x", &count, &id1, &id2, &freeDb), 4);
    for (const TArPressing& pressing : entry) {
      EXPECT_EQ(pressing.TrackCount, static_cast<int>(count)) << name;
      EXPECT_EQ(pressing.Tracks.size(), count) << name;
      EXPECT_EQ(pressing.DiscId1, id1) << name;
      EXPECT_EQ(pressing.DiscId2, id2) << name;
      EXPECT_EQ(pressing.FreeDb, freeDb) << name;
    }
    const TChecksumTable expected = c.Expected ? *c.Expected : ReadArverJson(name + ".json");
    ASSERT_FALSE(expected.empty()) << name;
    EXPECT_EQ(TableOf(entry), expected) << name;
  }
  // The one field neither reads.
  EXPECT_EQ(ParseFile(std::string(cases[0].Name) + ".bin")[0].Tracks[0].Frame450Checksum,
            0x07d5ca6bu);
}

std::vector<uint8_t> Chunk(uint8_t Tracks, uint8_t Fill) {
  std::vector<uint8_t> bytes(13 + size_t{Tracks} * 9, Fill);
  bytes[0] = Tracks;
  return bytes;
}

std::vector<uint8_t> Join(std::vector<uint8_t> First, const std::vector<uint8_t>& Second) {
  First.insert(First.end(), Second.begin(), Second.end());
  return First;
}

TEST(ProofEntry, RefusesCutAndGarbledEntries) {
  const std::vector<uint8_t> good = Chunk(2, 0x5a);
  ASSERT_EQ(ParseAccurateRipEntry(good.data(), good.size()).size(), 1u);
  std::vector<uint8_t> claims99 = Chunk(99, 1);
  claims99.resize(13 + 98 * 9);
  struct TCase {
    const char* Name;
    std::vector<uint8_t> Bytes;
    const char* Message;
  } const cases[] = {
      {"empty", {}, "empty"},
      {"one byte", {1}, "cut short in its header: 1 of 13"},
      {"a header but a byte", std::vector<uint8_t>(good.begin(), good.begin() + 12),
       "cut short in its header: 12 of 13"},
      {"no tracks", Chunk(0, 0), "claims 0 tracks"},
      {"100 tracks", Chunk(100, 0), "claims 100 tracks"},
      {"a track but a byte", std::vector<uint8_t>(good.begin(), good.end() - 1),
       "its 2 tracks need 18 bytes, 17 are left"},
      {"only a header", std::vector<uint8_t>(good.begin(), good.begin() + 13),
       "its 2 tracks need 18 bytes, 0 are left"},
      {"99 tracks, 98 lines", claims99, "submission 1 (at byte 0) is cut short"},
      {"trailing bytes", Join(good, {2, 0, 0, 0, 0}), "submission 2 (at byte 31) is cut short"},
      {"a second chunk cut", Join(good, std::vector<uint8_t>(good.begin(), good.end() - 9)),
       "submission 2 (at byte 31) is cut short: its 2 tracks need 18 bytes, 9 are left"},
      {"ARver's truncated entry", test::ReadFileBytes(DataPath("truncated_response.bin")),
       "its 13 tracks need 117 bytes, 37 are left"},
      {"ARver's wrong header", test::ReadFileBytes(DataPath("wrong_header.bin")),
       "its 88 tracks need 792 bytes"},
  };
  for (const TCase& c : cases) {
    try {
      ParseAccurateRipEntry(c.Bytes.data(), c.Bytes.size());
      ADD_FAILURE() << c.Name << ": read";
    } catch (const std::runtime_error& e) {
      EXPECT_NE(std::string(e.what()).find(c.Message), std::string::npos)
          << c.Name << ": " << e.what();
    }
  }
}

}  // namespace
}  // namespace corvane::proof
