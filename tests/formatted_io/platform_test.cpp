// The platform layer on this system, through files, a folder and a pipe made
// here. The Windows side runs the same engine under Wine in the end-to-end
// cases; what only a descriptor shows (inheritance, seeking a pipe) is here.
#include "formatted_io/platform.hpp"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace formatted_io {
namespace {

namespace fs = std::filesystem;

class PlatformTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = ::testing::TempDir() + "platform_test_XXXXXX";
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    scratch = pattern;
  }
  void TearDown() override { fs::remove_all(scratch); }

  std::string write_file(const char* name, const std::string& bytes) {
    const std::string path = (scratch / name).string();
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }

  fs::path scratch;
};

TEST_F(PlatformTest, OpensForReadingOnlyAnExistingFile) {
  EXPECT_EQ(open_for_reading((scratch / "missing.pdb").c_str()), -1);
  EXPECT_EQ(open_for_reading(scratch.c_str()), -1);  // a folder
  const int fd = open_for_reading(write_file("t.pdb", "ATOM\r\n").c_str());
  ASSERT_GE(fd, 0);
  char buffer[16];
  EXPECT_EQ(read_bytes(fd, buffer, sizeof buffer), 6);
  EXPECT_EQ(read_bytes(fd, buffer, sizeof buffer), 0);
  EXPECT_TRUE(close_file(fd));
}

TEST_F(PlatformTest, WritingKeepsAFileUntilItIsEmptied) {
  const std::string path = write_file("m_mvd.pdb", "old contents");
  const int fd = open_for_writing(path.c_str());
  ASSERT_GE(fd, 0);
  EXPECT_EQ(fs::file_size(path), 12u);
  ASSERT_TRUE(empty_if_regular(fd));
  EXPECT_EQ(fs::file_size(path), 0u);
  EXPECT_EQ(write_bytes(fd, "new\r\n", 5), 5);
  EXPECT_TRUE(close_file(fd));
  EXPECT_EQ(fs::file_size(path), 5u);
}

TEST_F(PlatformTest, SeeksBackInAFileButNotInAPipe) {
  const int fd = open_for_reading(write_file("t.pdb", "abcdef").c_str());
  ASSERT_GE(fd, 0);
  char buffer[4];
  ASSERT_EQ(read_bytes(fd, buffer, 4), 4);
  ASSERT_TRUE(seek_relative(fd, -2));
  ASSERT_EQ(read_bytes(fd, buffer, 4), 4);
  EXPECT_EQ(std::string(buffer, 4), "cdef");
  ASSERT_TRUE(seek_to_start(fd));
  ASSERT_EQ(read_bytes(fd, buffer, 1), 1);
  EXPECT_EQ(buffer[0], 'a');
  close_file(fd);

  int ends[2];
  ASSERT_EQ(::pipe(ends), 0);
  EXPECT_FALSE(seek_relative(ends[0], -1));
  EXPECT_TRUE(empty_if_regular(ends[1]));  // nothing to cut, no failure
  EXPECT_FALSE(is_terminal(ends[0]));
  close_file(ends[0]);
  close_file(ends[1]);
}

// The pause's command must not get the run's files.
TEST_F(PlatformTest, FilesAreNotInherited) {
  const int in = open_for_reading(write_file("t.pdb", "x").c_str());
  const int out = open_for_writing((scratch / "m_mvd.pdb").c_str());
  ASSERT_GE(in, 0);
  ASSERT_GE(out, 0);
  EXPECT_NE(::fcntl(in, F_GETFD) & FD_CLOEXEC, 0);
  EXPECT_NE(::fcntl(out, F_GETFD) & FD_CLOEXEC, 0);
  close_file(in);
  close_file(out);
}

TEST(FolderSeparator, SlashOnly) {
  EXPECT_TRUE(is_folder_separator('/'));
  EXPECT_FALSE(is_folder_separator('\\'));
  EXPECT_FALSE(is_folder_separator('.'));
}

}  // namespace
}  // namespace formatted_io
