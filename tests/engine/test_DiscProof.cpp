// Where a sheet's tracks lie on its disc, and what a disc's tracks add up to.
#include <gtest/gtest.h>

#include "Disc.h"
#include "DiscIdentity.h"
#include "DiscProof.h"

namespace corvane {
namespace {

using namespace proof;

struct TLayoutCase {
  const char* Name;
  // Each track's segments as {file, from, to}; the hidden track's first when there is one.
  std::map<int, std::vector<TAudioSegment>> Audio;
  bool Placed;
  int64_t Before;
  std::vector<int64_t> Starts;
  int64_t Total;
};

std::ostream& operator<<(std::ostream& Out, const TLayoutCase& Case) {
  return Out << Case.Name;
}

class Layout : public testing::TestWithParam<TLayoutCase> {};

TEST_P(Layout, PlacesEveryTrackWhereTheOnesBeforeItEnd) {
  const TLayoutCase& c = GetParam();
  auto sheet = std::make_unique<TCueFile>("disc.cue");
  sheet->Files = {{"a.wav", 1, "/m/a.wav"}, {"b.wav", 2, "/m/b.wav"}};
  std::map<int, TTrackAudio> audio;
  for (const auto& [track, segments] : c.Audio) {
    if (track >= 0) sheet->Tracks.push_back({});
    audio[track].Segments = segments;
  }
  if (c.Audio.count(-1) != 0) sheet->HiddenTrack = TCueTrack{};
  const TDisc disc(std::move(sheet), std::move(audio));
  const std::optional<TDiscLayout> layout = DiscLayoutOf(disc);
  ASSERT_EQ(layout.has_value(), c.Placed);
  if (!layout) return;
  EXPECT_EQ(layout->Before, c.Before);
  EXPECT_EQ(layout->Total, c.Total);
  std::vector<int64_t> starts;
  for (const TDiscLayout::TTrack& track : layout->Tracks) starts.push_back(track.Start);
  EXPECT_EQ(starts, c.Starts);
  // The last track's place leaves out its end, the first's its start, and no other's.
  const std::optional<TDiscTrackPlace> first = TrackPlaceOf(*layout, 0);
  const std::optional<TDiscTrackPlace> last =
      TrackPlaceOf(*layout, static_cast<int>(starts.size()) - 1);
  ASSERT_TRUE(first && last);
  EXPECT_TRUE(first->First);
  EXPECT_TRUE(last->Last);
  EXPECT_EQ(first->Last, starts.size() == 1);
  EXPECT_FALSE(TrackPlaceOf(*layout, -1).has_value());
}

INSTANTIATE_TEST_SUITE_P(
    Discs, Layout,
    testing::Values(
        TLayoutCase{"OneFile",
                    {{0, {{"/m/a.wav", 0, 1000}}}, {1, {{"/m/a.wav", 1000, 5000}}}},
                    true,
                    0,
                    {0, 1000},
                    5000},
        TLayoutCase{"HiddenTrack",
                    {{-1, {{"/m/a.wav", 0, 588}}},
                     {0, {{"/m/a.wav", 588, 2000}}},
                     {1, {{"/m/a.wav", 2000, 3000}}}},
                    true,
                    588,
                    {588, 2000},
                    3000},
        // Silence before track 1 is no hidden track, but it is on the disc.
        TLayoutCase{"SilentPregap", {{0, {{"/m/a.wav", 1176, 2000}}}}, true, 1176, {1176}, 2000},
        TLayoutCase{
            "TrackOverTwoFiles",
            {{0, {{"/m/a.wav", 0, 700}, {"/m/b.wav", 0, 300}}}, {1, {{"/m/b.wav", 300, 900}}}},
            true,
            0,
            {0, 1000},
            1600},
        TLayoutCase{"FirstTrackInTheSecondFile", {{0, {{"/m/b.wav", 50, 900}}}}, false, 0, {}, 0},
        TLayoutCase{"LengthUnknown", {{0, {{"/m/a.wav", 0, -1}}}}, false, 0, {}, 0}),
    [](const auto& Info) { return std::string(Info.param.Name); });

TTrackProof Track(int Number, bool Written, std::optional<TArTrackVerdict::TKind> Verdict) {
  TTrackProof track;
  track.Track = Number;
  track.Written = Written;
  if (Written) track.AccurateRip = TTrackMeasures::TArChecksums{1, 2};
  if (Verdict) track.Verdict = TArTrackVerdict{*Verdict, 3, 2, 3};
  return track;
}

TEST(DiscVerdict, SaysHowManyTracksMatchedAndWhyNoneCouldBe) {
  using TK = TArTrackVerdict::TKind;
  using TL = TLookupOutcome::TKind;
  struct TCase {
    TL Lookup;
    std::vector<TTrackProof> Tracks;
    const char* Text;
  };
  const TCase cases[] = {
      {TL::Found,
       {Track(-1, true, {}), Track(0, true, TK::Accurate), Track(1, true, TK::Accurate)},
       "accurately ripped (2 of 2 tracks)"},
      {TL::Found,
       {Track(0, true, TK::Accurate), Track(1, true, TK::NotAccurate)},
       "partly accurately ripped (1 of 2 tracks)"},
      {TL::Found,
       {Track(0, true, TK::NotAccurate), Track(1, false, {})},
       "not accurately ripped (0 of 2 tracks), 1 not converted"},
      {TL::Found, {Track(0, true, TK::NotInDatabase)}, "not in the AccurateRip database"},
      {TL::NotInDatabase, {Track(0, true, {})}, "not in the AccurateRip database"},
      {TL::Unreachable, {Track(0, true, {})}, "AccurateRip database not reached"},
      {TL::NotAsked, {Track(0, true, {})}, "checksums written, AccurateRip not asked"},
  };
  for (const TCase& c : cases) {
    TDiscProof disc;
    disc.Ids = TDiscIds{2, 1, 2, 3};
    disc.Lookup.Kind = c.Lookup;
    disc.Tracks = c.Tracks;
    EXPECT_EQ(DescribeDiscVerdict(VerdictOf(disc)), c.Text);
  }
  TDiscProof noLayout;
  noLayout.Tracks = {Track(0, true, {})};
  noLayout.Lookup.Kind = TL::Found;
  EXPECT_EQ(VerdictOf(noLayout).Kind, TDiscVerdict::TKind::NotCdAudio);
}

}  // namespace
}  // namespace corvane
