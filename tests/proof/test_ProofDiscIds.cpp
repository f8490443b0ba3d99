// Disc IDs of real discs, as ARver's and whipper's tests give them, with the database path
// and the line for a log; and the tables of contents no CD can have.

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "DiscIds.h"

namespace corvane::proof {
namespace {

// Starts from track lengths and a pregap, as ARver's tests describe their discs.
std::vector<int64_t> StartsOf(int64_t Pregap, const std::vector<int64_t>& Lengths,
                              int64_t* LeadOut) {
  std::vector<int64_t> starts;
  for (const int64_t length : Lengths) {
    starts.push_back(Pregap);
    Pregap += length;
  }
  *LeadOut = Pregap;
  return starts;
}

// ARver's 99-track disc (MusicBrainz disc RQ9yuzEHF_fzexjCzj46KcdIaHA-), whose entry is
// dBAR-099-009fc8d0-224410e4-6308d763: its offsets and length as MusicBrainz gives them, with
// the 150-sector lead-in.
std::vector<int64_t> NinetyNineTracks(int64_t* LeadOut) {
  std::vector<int64_t> starts = {
      182,    4862,   21867,  43210,  51925,  76015,  94625,  94927,  95230,  95532,  95835,
      96137,  96440,  96742,  97045,  97347,  97650,  97952,  98255,  98557,  98860,  99162,
      99465,  99767,  100070, 100372, 100675, 100977, 101280, 101582, 101885, 102187, 102490,
      102792, 103095, 103397, 103700, 104002, 104305, 104607, 104910, 105212, 105515, 105817,
      106120, 106422, 106725, 107027, 107330, 107632, 107935, 108237, 108540, 108842, 109145,
      109447, 109750, 110052, 110355, 110657, 110960, 111262, 111565, 111867, 112170, 112472,
      112775, 113077, 113380, 113682, 113985, 114287, 114590, 114892, 115195, 115497, 115800,
      116102, 116405, 116707, 117010, 117312, 117615, 117917, 118220, 118522, 118825, 119127,
      119430, 119732, 120035, 120337, 120640, 120942, 121245, 121547, 121850, 122152, 146897};
  for (int64_t& start : starts) start -= 150;
  *LeadOut = 169932 - 150;
  return starts;
}

TEST(ProofDiscIds, RealDiscs) {
  struct TCase {
    const char* Name;
    int64_t Pregap;
    std::vector<int64_t> Lengths;
    const char* Path;
  } const cases[] = {
      {"three tracks", 0, {75258, 54815, 205880}, "4/6/2/dBAR-003-00084264-001cc184-19117f03.bin"},
      {"one track", 0, {279037}, "d/f/1/dBAR-001-000441fd-000883fb-020e8801.bin"},
      {"pregap",
       33,
       {107450, 71470, 105737, 71600},
       "9/d/6/dBAR-004-000e26d9-00380804-3e128e04.bin"},
      {"one track, pregap", 32, {143963}, "b/9/2/dBAR-001-0002329b-00046516-02077f01.bin"},
      {"long pregap",
       12375,
       {14765, 14932, 12508, 525, 20937, 6025, 19753, 35570, 17777, 15258, 23515, 18512, 26168,
        13440},
       "7/3/3/dBAR-014-001ba337-01281b14-cf0c7b0e.bin"},
  };
  for (const TCase& c : cases) {
    int64_t leadOut = 0;
    const std::vector<int64_t> starts = StartsOf(c.Pregap, c.Lengths, &leadOut);
    EXPECT_EQ(AccurateRipEntryPath(DiscIdsOf(starts, leadOut)), c.Path) << c.Name;
  }
  int64_t leadOut = 0;
  const std::vector<int64_t> starts = NinetyNineTracks(&leadOut);
  ASSERT_EQ(starts.size(), 99u);
  const TDiscIds ids = DiscIdsOf(starts, leadOut);
  EXPECT_EQ(ids, (TDiscIds{99, 0x009fc8d0, 0x224410e4, 0x6308d763}));
  EXPECT_EQ(AccurateRipEntryPath(ids), "0/d/8/dBAR-099-009fc8d0-224410e4-6308d763.bin");
}

TEST(ProofDiscIds, Formats) {
  const TDiscIds ids{11, 0x0015d3b5, 0x00d3c3f5, 0xa10b830b};
  EXPECT_EQ(AccurateRipEntryPath(ids), "5/b/3/dBAR-011-0015d3b5-00d3c3f5-a10b830b.bin");
  EXPECT_EQ(FormatDiscIds(ids), "AccurateRip 0015d3b5-00d3c3f5, FreeDB a10b830b");
  const TDiscIds high{7, 0xabcdef12, 0xfedcba98, 0x12345607};
  EXPECT_EQ(AccurateRipEntryPath(high), "2/1/f/dBAR-007-abcdef12-fedcba98-12345607.bin");
  EXPECT_EQ(FormatDiscIds(high), "AccurateRip abcdef12-fedcba98, FreeDB 12345607");
}

TEST(ProofDiscIds, RefusesImpossibleTables) {
  struct TCase {
    std::vector<int64_t> Starts;
    int64_t LeadOut;
  } const cases[] = {
      {{}, 1000},      {{-1, 500}, 1000}, {{0, 500, 500}, 1000}, {{0, 600, 500}, 1000},
      {{0, 500}, 500}, {{0, 500}, 499},
  };
  for (const TCase& c : cases) {
    EXPECT_THROW(DiscIdsOf(c.Starts, c.LeadOut), std::invalid_argument)
        << c.Starts.size() << " tracks, lead-out " << c.LeadOut;
  }
  std::vector<int64_t> tooMany;
  for (int64_t i = 0; i < 100; ++i) tooMany.push_back(i * 100);
  EXPECT_THROW(DiscIdsOf(tooMany, 100000), std::invalid_argument);
  tooMany.pop_back();
  EXPECT_EQ(DiscIdsOf(tooMany, 100000).TrackCount, 99);
}

}  // namespace
}  // namespace corvane::proof
