#include <gtest/gtest.h>

#include <stdexcept>

#include "ScratchDir.h"
#include "TagTransfer.h"
#include "WavFile.h"

namespace corvane {
namespace {

class TagTransferTest : public testing::Test {
 protected:
  void SetUp() override {
    auto sheet = std::make_unique<TCueFile>(Dir.File("a.cue"));
    sheet->Title = "Album";
    sheet->Tracks.push_back({"One", "Band", "00:00:00", ""});
    Sheets.push_back(std::move(sheet));
  }

  test::TScratchDir Dir;
  TCueSheetList Sheets;
  TTagTransfer Tags;
  const TJob CueJob{"1 | 1 - One,Band  --a.cue", TJobKind::CueTrack};
};

TEST_F(TagTransferTest, OutputThatIsNotFlacIsLeftAsItIs) {
  const std::vector<uint8_t> bytes(300, 0x42);
  test::WriteFileBytes(Dir.File("out.flac"), bytes);
  EXPECT_NO_THROW(Tags.TransferTags(CueJob, Sheets, Dir.File("out.flac")));
  EXPECT_EQ(test::ReadFileBytes(Dir.File("out.flac")), bytes);
}

TEST_F(TagTransferTest, MissingOutputIsAnError) {
  EXPECT_THROW(Tags.TransferTags(CueJob, Sheets, Dir.File("gone.flac")), std::runtime_error);
}

TEST_F(TagTransferTest, SourceWithoutApeTagWritesNothing) {
  const std::vector<uint8_t> source(1000, 0x11);
  test::WriteFileBytes(Dir.File("a.ape"), source);
  // Not even an attempt: the output need not exist.
  EXPECT_NO_THROW(
      Tags.TransferTags({Dir.File("a.ape"), TJobKind::PlainFile}, Sheets, Dir.File("never.flac")));
  EXPECT_FALSE(Tags.ApeTagReader.Exists);
}

TEST_F(TagTransferTest, LineOfASheetNoLongerLoadedIsAnError) {
  EXPECT_THROW(
      Tags.TransferTags({"2 | 1 - x,y  --b.cue", TJobKind::CueTrack}, Sheets, Dir.File("x.flac")),
      std::runtime_error);
  EXPECT_THROW(
      Tags.TransferTags({"1 | 2 - x,y  --a.cue", TJobKind::CueTrack}, Sheets, Dir.File("x.flac")),
      std::runtime_error);
}

}  // namespace
}  // namespace corvane
