// File keys: names that lead to one file, whether it exists or not, and the
// stops a run ends with. Links and files are made in a scratch folder.
#include "formatted_io/file_key.hpp"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "formatted_io/stops.hpp"

namespace formatted_io {
namespace {

namespace fs = std::filesystem;

class FileKeys : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = ::testing::TempDir() + "file_key_test_XXXXXX";
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    scratch_ = pattern;
    previous_ = fs::current_path();
    fs::current_path(scratch_);
    fs::create_directory("d");
    std::ofstream("x.pdb") << "x\n";
  }
  void TearDown() override {
    fs::current_path(previous_);
    fs::remove_all(scratch_);
  }

  static bool same(const char* a, const char* b) {
    FileKey first;
    FileKey second;
    locate_file(a, first);
    locate_file(b, second);
    return same_file(first, second);
  }

  fs::path scratch_;
  fs::path previous_;
};

TEST_F(FileKeys, ExistingFileUnderAnyName) {
  fs::create_symlink("x.pdb", "link.pdb");
  fs::create_symlink("../x.pdb", "d/up.pdb");
  fs::create_hard_link("x.pdb", "hard.pdb");
  EXPECT_TRUE(same("x.pdb", "./x.pdb"));
  EXPECT_TRUE(same("x.pdb", "d/../x.pdb"));
  EXPECT_TRUE(same("x.pdb", "link.pdb"));
  EXPECT_TRUE(same("x.pdb", "d/up.pdb"));
  EXPECT_TRUE(same("x.pdb", "hard.pdb"));
  EXPECT_FALSE(same("x.pdb", "d/x.pdb"));
  EXPECT_FALSE(same("x.pdb", "d"));
}

TEST_F(FileKeys, MissingFileByFolderAndName) {
  fs::create_symlink("o.pdb", "dangling.json");
  fs::create_symlink("../o.pdb", "d/dangling.json");
  fs::create_symlink("chain.json", "chain2.json");
  fs::create_symlink("d/dangling.json", "chain.json");
  EXPECT_TRUE(same("o.pdb", "./o.pdb"));
  EXPECT_TRUE(same("o.pdb", "d/../o.pdb"));
  EXPECT_TRUE(same("o.pdb", "dangling.json"));
  EXPECT_TRUE(same("o.pdb", "d/dangling.json"));
  EXPECT_TRUE(same("o.pdb", "chain2.json"));
  EXPECT_FALSE(same("o.pdb", "d/o.pdb"));
  EXPECT_FALSE(same("o.pdb", "p.pdb"));
  // A folder that does not exist holds no file of the run.
  EXPECT_FALSE(same("no/o.pdb", "no/o.pdb"));
}

TEST_F(FileKeys, LinksThatLoopNameNoFile) {
  fs::create_symlink("b.json", "a.json");
  fs::create_symlink("a.json", "b.json");
  EXPECT_FALSE(same("a.json", "a.json"));
}

TEST(Stops, EveryEndIsOneThrownValue) {
  try {
    stop_run("TORVEX terminated  - atom mismatch", 3);
  } catch (const Stop& stop) {
    EXPECT_EQ(stop.status, 3);
    EXPECT_EQ(stop.message, "TORVEX terminated  - atom mismatch");
    EXPECT_FALSE(stop.run_time_error);
  }
  Io& io = *new Io;  // large: kept off the stack
  try {
    float x = 0.0f;
    read_internal<Format("(f8.3)")>(io, "  12.3a ", 8, x);
    ADD_FAILURE() << "no stop";
  } catch (const Stop& stop) {
    EXPECT_EQ(stop.status, 1);
    EXPECT_TRUE(stop.run_time_error);
    EXPECT_EQ(stop.error, RunTimeError::NotANumber);
    char report[REPORT_BYTES];
    const int length = one_line_report(stop, report);
    EXPECT_EQ(std::string(report, static_cast<std::size_t>(length)),
              "run-time error F6504: READ(internal) - numeric field does not form a number");
    EXPECT_EQ(stop.line, 0);
  }
  delete &io;
}

}  // namespace
}  // namespace formatted_io
