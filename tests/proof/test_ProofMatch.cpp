// Matching ripped tracks against entries made here from the tracks' own checksums: which
// pressings count, which confidence and version the verdict reports, and its words.

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "AccurateRipChecksum.h"
#include "AccurateRipMatch.h"

namespace corvane::proof {
namespace {

using TKind = TArTrackVerdict::TKind;

struct TDisc {
  TDiscIds Ids;
  std::vector<uint32_t> V1, V2;
};

// Three tracks of generated PCM, their disc IDs and checksums.
TDisc MakeDisc(int ChangedTrack = -1) {
  const std::vector<int64_t> sectors = {13, 7, 11};
  TDisc disc;
  std::vector<int64_t> starts;
  int64_t at = 0;
  uint32_t state = 12345;
  for (size_t t = 0; t < sectors.size(); ++t) {
    starts.push_back(at);
    at += sectors[t];
    std::vector<uint8_t> pcm(static_cast<size_t>(sectors[t]) * 588 * 4);
    for (uint8_t& byte : pcm)
      byte = static_cast<uint8_t>((state = state * 1103515245u + 12345u) >> 16);
    // One sample a little off, in the middle where every track's checksum sees it.
    if (static_cast<int>(t) == ChangedTrack) pcm[pcm.size() / 2] ^= 1;
    TAccurateRipChecksum sums(t == 0, t + 1 == sectors.size(), sectors[t] * 588);
    sums.Add(pcm.data(), pcm.size());
    disc.V1.push_back(sums.V1());
    disc.V2.push_back(sums.V2());
  }
  disc.Ids = DiscIdsOf(starts, at);
  return disc;
}

TArPressing PressingOf(const TDisc& Disc, const std::vector<uint32_t>& Sums, int Confidence) {
  TArPressing pressing{
      Disc.Ids.TrackCount, Disc.Ids.AccurateRip1, Disc.Ids.AccurateRip2, Disc.Ids.FreeDb, {}};
  for (const uint32_t sum : Sums) pressing.Tracks.push_back({Confidence, sum, 0});
  return pressing;
}

TEST(ProofMatch, Verdicts) {
  const TDisc disc = MakeDisc();
  const TDisc changed = MakeDisc(1);
  ASSERT_NE(changed.V1[1], disc.V1[1]);
  ASSERT_NE(changed.V2[1], disc.V2[1]);
  ASSERT_EQ(changed.V1[0], disc.V1[0]);
  const std::vector<uint32_t> others = {1, 2, 3};
  const TArPressing v1 = PressingOf(disc, disc.V1, 5);
  const TArPressing v2 = PressingOf(disc, disc.V2, 9);
  const TArPressing other = PressingOf(disc, others, 4);
  const auto with = [](TArPressing Pressing, const std::function<void(TArPressing&)>& Change) {
    Change(Pressing);
    return Pressing;
  };
  const TArPressing foreign = with(v2, [](TArPressing& P) { P.DiscId1 ^= 1; });
  struct TCase {
    const char* Name;
    std::vector<TArPressing> Entry;
    const TDisc* Rip;
    int Track;
    TKind Kind;
    int Confidence, Version, Total;
  } const cases[] = {
      {"v1 only", {v1}, &disc, 0, TKind::Accurate, 5, 1, 5},
      {"v2 only", {v2}, &disc, 2, TKind::Accurate, 9, 2, 9},
      {"v1 and v2: the higher", {v1, v2, other}, &disc, 1, TKind::Accurate, 9, 2, 18},
      {"v1 higher",
       {with(v1, [](TArPressing& P) { P.Tracks[1].Confidence = 30; }), v2},
       &disc,
       1,
       TKind::Accurate,
       30,
       1,
       39},
      {"a tie goes to v2",
       {v1, with(v2, [](TArPressing& P) { P.Tracks[0].Confidence = 5; })},
       &disc,
       0,
       TKind::Accurate,
       5,
       2,
       10},
      {"one sample off", {v1, v2, other}, &changed, 1, TKind::NotAccurate, 0, 0, 18},
      {"only others", {other}, &disc, 0, TKind::NotAccurate, 0, 0, 4},
      {"confidence 0 vouches for nothing",
       {with(v2, [](TArPressing& P) { P.Tracks[0].Confidence = 0; })},
       &disc,
       0,
       TKind::NotAccurate,
       0,
       0,
       0},
      {"another disc's entry", {foreign}, &disc, 0, TKind::NotInDatabase, 0, 0, 0},
      {"another disc's lines left out", {foreign, v1}, &disc, 0, TKind::Accurate, 5, 1, 5},
      {"other FreeDB ID",
       {with(v2, [](TArPressing& P) { P.FreeDb ^= 0x10000; })},
       &disc,
       0,
       TKind::NotInDatabase,
       0,
       0,
       0},
      {"other track count",
       {with(v2,
             [](TArPressing& P) {
               P.TrackCount = 4;
               P.Tracks.push_back({3, 0, 0});
             })},
       &disc,
       0,
       TKind::NotInDatabase,
       0,
       0,
       0},
      {"empty entry", {}, &disc, 0, TKind::NotInDatabase, 0, 0, 0},
      {"no such track", {v1, v2}, &disc, 3, TKind::NotInDatabase, 0, 0, 0},
  };
  for (const TCase& c : cases) {
    const size_t t = static_cast<size_t>(c.Track < 0 || c.Track > 2 ? 0 : c.Track);
    const TArTrackVerdict verdict =
        MatchTrack(c.Entry, disc.Ids, c.Track, c.Rip->V1[t], c.Rip->V2[t]);
    EXPECT_EQ(verdict.Kind, c.Kind) << c.Name;
    EXPECT_EQ(verdict.Confidence, c.Confidence) << c.Name;
    EXPECT_EQ(verdict.Version, c.Version) << c.Name;
    EXPECT_EQ(verdict.Total, c.Total) << c.Name;
  }
}

TEST(ProofMatch, Descriptions) {
  struct TCase {
    TArTrackVerdict Verdict;
    const char* Text;
  } const cases[] = {
      {{TKind::Accurate, 12, 1, 20}, "accurately ripped (confidence 12, v1)"},
      {{TKind::Accurate, 200, 2, 300}, "accurately ripped (confidence 200, v2)"},
      {{TKind::NotAccurate, 0, 0, 7}, "not accurately ripped"},
      {{TKind::NotInDatabase, 0, 0, 0}, "not in the database"},
  };
  for (const TCase& c : cases) EXPECT_EQ(DescribeVerdict(c.Verdict), c.Text);
}

}  // namespace
}  // namespace corvane::proof
