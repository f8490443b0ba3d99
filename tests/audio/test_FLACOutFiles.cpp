// The FLAC sink: where a complete run's file goes, and the room it leaves for the tags.

#include <FLAC/metadata.h>
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "ACSException.h"
#include "FLACOut.h"
#include "FLACOutTestSupport.h"
#include "FlacDecode.h"
#include "FrameworkDoubles.h"
#include "SinkRun.h"
#include "StagedFile.h"
#include "WavFile.h"

namespace corvane {
namespace {

using namespace std::chrono_literals;

// ---- Where a complete run's file goes ----

// What stands at the output name before a complete run.
struct TOutputName {
  const char* Name;
  std::string FileName;  // inside the scratch folder
  bool OldFile = false;  // an older file stands there
  bool Link = false;     // a symbolic link to another file of the user's stands there
};
std::ostream& operator<<(std::ostream& Out, const TOutputName& Case) {
  return Out << Case.Name;
}

class FLACOutName : public FLACOut, public ::testing::WithParamInterface<TOutputName> {};

TEST_P(FLACOutName, ReceivesTheWholeFileAndNothingElseIsTouched) {
  const TOutputName& c = GetParam();
  const TPcmFormat format{16, 2, 44100};
  const std::vector<uint8_t> pcm = MakeTestPcm(format, 3 * 4608 + 17);
  const std::string path = Dir.File(c.FileName);
  const std::string target = Dir.File("precious.txt");
  if (c.OldFile) test::WriteFileBytes(path, kOldFile);
  if (c.Link) {
    test::WriteFileBytes(target, kOldFile);
    std::filesystem::create_symlink(target, path);
  }
  TPcmSource source(format, pcm);
  TFLACOut out;
  out.SetInput(&source);
  out.SetFileName(path);
  TSinkRun watch(out);
  ASSERT_EQ(watch.Run(), "");

  EXPECT_FALSE(std::filesystem::is_symlink(path));
  const test::TDecodedFlac flac = test::DecodeFlacFile(path);
  ASSERT_TRUE(flac.Ok) << flac.Error;
  EXPECT_TRUE(flac.Pcm == pcm);
  if (c.Link) {
    EXPECT_EQ(test::ReadFileBytes(target), kOldFile);
  }
  EXPECT_EQ(Leftovers(Dir.Path()), std::vector<std::string>());
  // An ordinary file: the user's umask decides, not the 0600 of a private temporary file.
  const mode_t mask = ::umask(0);
  ::umask(mask);
  EXPECT_EQ(static_cast<unsigned>(std::filesystem::status(path).permissions()), 0666u & ~mask);
}

std::string LongName() {
  std::string name;
  while (name.size() < 245) name += "长";  // 3 bytes each: the temporary name must be cut
  return name + ".flac";
}

INSTANTIATE_TEST_SUITE_P(Names, FLACOutName,
                         ::testing::Values(TOutputName{"Free", "new.flac"},
                                           TOutputName{"OldFile", "old.flac", true},
                                           TOutputName{"SymbolicLink", "link.flac", false, true},
                                           TOutputName{"LongestName", LongName()}),
                         [](const auto& Info) { return std::string(Info.param.Name); });

TEST_F(FLACOut, HeldFileWaitsForItsOwnerUntilTheNextRun) {
  const TPcmFormat format{16, 2, 44100};
  const std::vector<uint8_t> pcm = MakeTestPcm(format, 5000);
  TPcmSource source(format, pcm);
  TFLACOut out;
  out.SetInput(&source);
  out.SetAutoCommit(false);
  const std::string path = Dir.File("held.flac");
  out.SetFileName(path);
  test::WriteFileBytes(path, kOldFile);
  TSinkRun watch(out);

  // Committed: the finished file replaces the old one.
  ASSERT_EQ(watch.Run(), "");
  const std::string held = out.FinishedFile();
  ASSERT_TRUE(held.starts_with(TStagedFile::TemporaryPrefix(path))) << held;
  EXPECT_TRUE(test::DecodeFlacFile(held).Ok);
  EXPECT_EQ(test::ReadFileBytes(path), kOldFile);
  out.CommitFinishedFile();
  EXPECT_EQ(out.FinishedFile(), "");
  EXPECT_FALSE(Exists(held));
  EXPECT_TRUE(test::DecodeFlacFile(path).Pcm == pcm);

  // Discarded, or given up by the next run: the final name keeps what it had.
  test::WriteFileBytes(path, kOldFile);
  ASSERT_EQ(watch.Run(), "");
  out.DiscardFinishedFile();
  ASSERT_EQ(watch.Run(), "");
  const std::string second = out.FinishedFile();
  ASSERT_EQ(watch.Run(), "");
  EXPECT_FALSE(Exists(second));
  EXPECT_EQ(Leftovers(Dir.Path()).size(), 1u);
  EXPECT_EQ(test::ReadFileBytes(path), kOldFile);
}

TEST_F(FLACOut, FailedCommitLeavesTheFinalNameAlone) {
  const TPcmFormat format{16, 2, 44100};
  TPcmSource source(format, MakeTestPcm(format, 5000));
  TFLACOut out;
  out.SetInput(&source);
  out.SetAutoCommit(false);
  const std::string path = Dir.File("folder.flac");
  out.SetFileName(path);
  TSinkRun watch(out);
  ASSERT_EQ(watch.Run(), "");
  // A folder took the name meanwhile: a file cannot replace it.
  std::filesystem::create_directory(path);
  try {
    out.CommitFinishedFile();
    ADD_FAILURE() << "committed over a folder";
  } catch (const EFileError& E) {
    EXPECT_EQ(E.FileName(), path);
    EXPECT_EQ(E.ErrorCode(), EISDIR);
  }
  EXPECT_TRUE(std::filesystem::is_directory(path));
  EXPECT_EQ(out.FinishedFile(), "");
  EXPECT_EQ(Leftovers(Dir.Path()), std::vector<std::string>());
}

// ---- Room for the tags ----

struct TPaddingCase {
  const char* Name;
  uint32_t Asked;
  uint32_t Written;  // 0: no padding block
};
std::ostream& operator<<(std::ostream& Out, const TPaddingCase& Case) {
  return Out << Case.Name;
}

class FLACOutPadding : public FLACOut, public ::testing::WithParamInterface<TPaddingCase> {};

TEST_P(FLACOutPadding, IsReservedRightBehindTheCommentBlock) {
  const TPaddingCase& c = GetParam();
  const TPcmFormat format{16, 2, 44100};
  const std::vector<uint8_t> pcm = MakeTestPcm(format, 5000);
  TPcmSource source(format, pcm);
  TFLACOut out;
  out.SetInput(&source);
  out.SetFileName(Dir.File("padded.flac"));
  out.SetPaddingReserve(c.Asked);
  TSinkRun watch(out);
  ASSERT_EQ(watch.Run(), "");
  EXPECT_TRUE(test::DecodeFlacFile(out.FileName()).Pcm == pcm);

  // Block types in file order, with the padding's length: where the tag writer looks for it.
  std::vector<std::pair<int, uint32_t>> blocks;
  FLAC__Metadata_SimpleIterator* it = FLAC__metadata_simple_iterator_new();
  ASSERT_TRUE(FLAC__metadata_simple_iterator_init(it, out.FileName().c_str(), true, false));
  do {
    blocks.emplace_back(FLAC__metadata_simple_iterator_get_block_type(it),
                        FLAC__metadata_simple_iterator_get_block_length(it));
  } while (FLAC__metadata_simple_iterator_next(it));
  FLAC__metadata_simple_iterator_delete(it);
  ASSERT_GE(blocks.size(), 2u);
  EXPECT_EQ(blocks[1].first, FLAC__METADATA_TYPE_VORBIS_COMMENT);
  if (c.Written == 0) {
    EXPECT_EQ(blocks.size(), 2u);
  } else {
    ASSERT_EQ(blocks.size(), 3u);
    EXPECT_EQ(blocks[2], std::make_pair(int{FLAC__METADATA_TYPE_PADDING}, c.Written));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, FLACOutPadding,
    ::testing::Values(
        TPaddingCase{"None", 0, 0}, TPaddingCase{"OneByte", 1, 1},
        TPaddingCase{"EightKiB", 8192, 8192},
        // The length field has 24 bits, and the library writes a block in one piece below that.
        TPaddingCase{"Capped", 0x800000, 0x800000}),
    [](const auto& Info) { return std::string(Info.param.Name); });

}  // namespace
}  // namespace corvane
