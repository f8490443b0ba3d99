#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>

#include "ChildProcess.h"
#include "File.h"
#include "ScratchDir.h"
#include "WavFile.h"

namespace corvane {
namespace {

using test::TScratchDir;

// A failure and what it must leave behind: the system's number, and a message naming the file
// with the operation and the system's own words.
struct TFailureCase {
  const char* Name;
  std::function<TFileError(const TScratchDir&)> Fail;
  int Code;
  const char* What;  // the message's start; the file and the system's text follow
  const char* File;  // in the scratch folder
};

class FileFailure : public ::testing::TestWithParam<TFailureCase> {};

TEST_P(FileFailure, KeepsItsCauseInWords) {
  const TFailureCase& c = GetParam();
  TScratchDir dir;
  test::WriteFileBytes(dir.File("existing"), {1, 2, 3});
  std::filesystem::create_symlink(dir.File("nowhere"), dir.File("link"));
  ASSERT_EQ(::mkfifo(dir.File("pipe").c_str(), 0600), 0);
  const TFileError error = c.Fail(dir);
  EXPECT_EQ(error.Code, c.Code) << std::strerror(error.Code);
  EXPECT_EQ(error.FileName, dir.File(c.File));
  EXPECT_EQ(error.Message,
            std::string(c.What) + " \"" + dir.File(c.File) + "\". " + std::strerror(c.Code));
}

INSTANTIATE_TEST_SUITE_P(
    Operations, FileFailure,
    ::testing::Values(TFailureCase{"OpenMissing",
                                   [](const TScratchDir& Dir) {
                                     return TFile::OpenRead(Dir.File("missing")).Error();
                                   },
                                   ENOENT, "Cannot open file", "missing"},
                      TFailureCase{"RewriteMissing",
                                   [](const TScratchDir& Dir) {
                                     return TFile::OpenReadWrite(Dir.File("missing")).Error();
                                   },
                                   ENOENT, "Cannot open file", "missing"},
                      TFailureCase{"CreateInMissingFolder",
                                   [](const TScratchDir& Dir) {
                                     return TFile::Create(Dir.File("no/such/file")).Error();
                                   },
                                   ENOENT, "Cannot create file", "no/such/file"},
                      TFailureCase{"CreateNewOverAFile",
                                   [](const TScratchDir& Dir) {
                                     return TFile::CreateNew(Dir.File("existing")).Error();
                                   },
                                   EEXIST, "Cannot create file", "existing"},
                      TFailureCase{"CreateNewThroughALink",
                                   [](const TScratchDir& Dir) {
                                     return TFile::CreateNew(Dir.File("link"), 0644).Error();
                                   },
                                   EEXIST, "Cannot create file", "link"},
                      TFailureCase{"OwnFileSwappedForALink",
                                   [](const TScratchDir& Dir) {
                                     return TFile::OpenRead(Dir.File("link"), false).Error();
                                   },
                                   ELOOP, "Cannot open file", "link"},
                      TFailureCase{"SeekInAPipe",
                                   [](const TScratchDir& Dir) {
                                     TFile file = TFile::OpenReadWrite(Dir.File("pipe"));
                                     EXPECT_FALSE(file.Seek(10));
                                     return file.Error();
                                   },
                                   ESPIPE, "Cannot seek in file", "pipe"},
                      TFailureCase{"TellInAPipe",
                                   [](const TScratchDir& Dir) {
                                     TFile file = TFile::OpenReadWrite(Dir.File("pipe"));
                                     EXPECT_EQ(file.Position(), -1);
                                     return file.Error();
                                   },
                                   ESPIPE, "Cannot seek in file", "pipe"},
                      TFailureCase{"WriteToAReadOnlyFile",
                                   [](const TScratchDir& Dir) {
                                     TFile file = TFile::OpenRead(Dir.File("existing"));
                                     EXPECT_FALSE(file.Write("x", 1));
                                     EXPECT_EQ(file.WriteAt(0, "x", 1), 0);
                                     return file.Error();
                                   },
                                   EBADF, "Cannot write file", "existing"}),
    [](const auto& Info) { return std::string(Info.param.Name); });

TEST(File, WritesAtPositionsAndAtTheCurrentOneAndReadsBack) {
  TScratchDir dir;
  TFile file = TFile::Create(dir.File("a"));
  ASSERT_TRUE(file.IsOpen());
  EXPECT_TRUE(file.Write("head", 4));
  EXPECT_EQ(file.Position(), 4);
  EXPECT_EQ(file.WriteAt(10, "tail", 4), 4);  // leaves the current position alone
  EXPECT_EQ(file.Position(), 4);
  EXPECT_TRUE(file.Seek(0));
  EXPECT_TRUE(file.Write("H", 1));
  EXPECT_EQ(file.Size(), 14);
  char bytes[14] = {};
  EXPECT_EQ(file.ReadAt(0, bytes, 20), 14) << "fewer only at the end";
  EXPECT_EQ(std::string(bytes, 14), std::string("Head\0\0\0\0\0\0tail", 14));
  // Past the end is no failure of the file: the bytes are just not there.
  EXPECT_FALSE(file.ReadExact(12, bytes, 4));
  EXPECT_EQ(file.Error().Code, 0);
  EXPECT_TRUE(file.Sync());
  EXPECT_TRUE(file.Close());
  EXPECT_TRUE(file.Close()) << "a second close has nothing to do";
  EXPECT_FALSE(file.IsOpen());
}

TEST(File, CreateNewTakesTheModeAsAskedOrLeavesItToTheUmask) {
  TScratchDir dir;
  const mode_t umask = ::umask(022);
  ASSERT_TRUE(TFile::CreateNew(dir.File("exact"), 0666).IsOpen());
  ASSERT_TRUE(TFile::CreateNew(dir.File("masked")).IsOpen());
  ::umask(umask);
  struct stat info {};
  ASSERT_EQ(::stat(dir.File("exact").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0666u);
  ASSERT_EQ(::stat(dir.File("masked").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0644u);
}

TEST(File, FullDiskFailsTheWriteWithItsCause) {
  TScratchDir dir;
  const std::string path = dir.File("full");
  const std::string verdict = test::RunInChild({.FileSizeLimit = 10}, [&]() -> std::string {
    TFile file = TFile::Create(path);
    if (file.Write("0123456789abc", 13)) return "a short write passed";
    if (file.Error().Code != EFBIG) return "cause: " + file.Error().Message;
    if (file.WriteAt(8, "xyz", 3) != 2) return "positioned write did not stop at the limit";
    return "";
  });
  EXPECT_EQ(verdict, "");
}

TEST(File, SyncFolderOfTakesNamesWithAndWithoutAFolder) {
  TScratchDir dir;
  // Nothing to see but that it neither fails nor touches anything.
  SyncFolderOf(dir.File("a"));
  SyncFolderOf("relative-name");
  SyncFolderOf("/no/such/folder/a");
  EXPECT_TRUE(std::filesystem::is_empty(dir.Path()));
}

}  // namespace
}  // namespace corvane
