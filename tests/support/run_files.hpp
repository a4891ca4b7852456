// A test's own scratch folder and the run's streams, for the rooms whose
// functions read and write through channels and the console: files written
// and read back byte for byte, and the console's bytes taken from standard
// output while a function runs.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "formatted_io/records.hpp"

namespace test_support {

class RunFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = ::testing::TempDir() + "torvex_test_XXXXXX";
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    scratch_ = pattern;
  }
  void TearDown() override {
    using formatted_io::Unit;
    for (Unit unit : {Unit::Target, Unit::Structure, Unit::Results}) {
      formatted_io::close_channel(io, unit);
    }
    std::filesystem::remove_all(scratch_);
  }

  std::string path(const char* name) const { return (scratch_ / name).string(); }

  // A file of these lines, each ended by CR LF, opened on `unit`.
  void open_lines(formatted_io::Unit unit, const std::vector<std::string>& lines) {
    const std::string name = path(unit == formatted_io::Unit::Target ? "t.pdb" : "m.pdb");
    {
      std::ofstream out(name, std::ios::binary);
      for (const std::string& line : lines) out << line << "\r\n";
    }
    ASSERT_TRUE(formatted_io::open_existing(io, unit, name.data(), static_cast<int>(name.size())));
  }

  // The results channel on a fresh file; its bytes after the channel closes.
  void open_results() {
    const std::string name = path("results.pdb");
    ASSERT_TRUE(formatted_io::open_output(io, formatted_io::Unit::Results, name.data(),
                                          static_cast<int>(name.size())));
  }
  std::string results() {
    formatted_io::close_channel(io, formatted_io::Unit::Results);
    return contents(path("results.pdb"));
  }

  // What `action` writes to the console, its last line ended.
  template <typename Action>
  std::string console_of(Action action) {
    const std::string name = path("console");
    std::fflush(stdout);
    const int saved = ::dup(1);
    std::FILE* file = std::fopen(name.c_str(), "wb");
    ::dup2(::fileno(file), 1);
    action();
    io.console.close_line();
    io.console.flush();
    ::dup2(saved, 1);
    ::close(saved);
    std::fclose(file);
    return contents(name);
  }

  static std::string contents(const std::string& name) {
    std::ifstream in(name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

  // The run's streams: large, so one static object serves every test.
  static formatted_io::Io& shared_io() {
    static formatted_io::Io io;
    return io;
  }

  formatted_io::Io& io = shared_io();

 private:
  std::filesystem::path scratch_;
};

}  // namespace test_support
