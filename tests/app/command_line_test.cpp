// The command-line parser, option form by option form and error by error.
// It reads no file, so each row is arguments in, request and fields out.
#include "app/command_line.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using app::Arguments;
using app::Request;

Arguments parse(std::vector<const char*> words) {
  words.insert(words.begin(), "torvex");
  return app::parse_arguments(static_cast<int>(words.size()), words.data());
}

std::string names_of(const Arguments& a) {
  std::string out;
  for (int i = 0; i < a.name_count && i < 3; ++i) out += std::string(i ? " " : "") + a.names[i];
  return out;
}

std::string text(const char* s) { return s == nullptr ? "(none)" : s; }

TEST(ParseArguments, OptionForms) {
  struct Row {
    std::vector<const char*> words;
    bool yes, quiet;
    const char* output;
    const char* summary;
    const char* names;
  };
  // clang-format off
  const Row rows[] = {
      {{"a", "b"},                          false, false, nullptr,  nullptr,  "a b"},
      {{"a", "b", "c"},                     false, false, nullptr,  nullptr,  "a b c"},
      {{"-y", "a", "b"},                    true,  false, nullptr,  nullptr,  "a b"},
      {{"--yes", "a", "b"},                 true,  false, nullptr,  nullptr,  "a b"},
      {{"-q", "a", "b"},                    false, true,  nullptr,  nullptr,  "a b"},
      {{"--quiet", "a", "b"},               false, true,  nullptr,  nullptr,  "a b"},
      {{"-yq", "a", "b"},                   true,  true,  nullptr,  nullptr,  "a b"},
      {{"a", "-qy", "b"},                   true,  true,  nullptr,  nullptr,  "a b"},
      {{"-o", "x.pdb", "a", "b"},           false, false, "x.pdb",  nullptr,  "a b"},
      {{"-ox.pdb", "a", "b"},               false, false, "x.pdb",  nullptr,  "a b"},
      {{"-yox.pdb", "a", "b"},              true,  false, "x.pdb",  nullptr,  "a b"},
      {{"-yo", "x.pdb", "a", "b"},          true,  false, "x.pdb",  nullptr,  "a b"},
      {{"--output", "x.pdb", "a", "b"},     false, false, "x.pdb",  nullptr,  "a b"},
      {{"--output=x.pdb", "a", "b"},        false, false, "x.pdb",  nullptr,  "a b"},
      {{"-o", "./-", "a", "b"},             false, false, "./-",    nullptr,  "a b"},
      {{"--json", "s.json", "a", "b"},      false, false, nullptr,  "s.json", "a b"},
      {{"--json=s.json", "a", "b"},         false, false, nullptr,  "s.json", "a b"},
      {{"--json", "-", "a", "b"},           false, false, nullptr,  "-",      "a b"},
      {{"--json=", "a", "b"},               false, false, nullptr,  "",       "a b"},
      {{"-o", "-y", "a", "b"},              false, false, "-y",     nullptr,  "a b"},
      {{"--", "-y", "b"},                   false, false, nullptr,  nullptr,  "-y b"},
      {{"-", "b"},                          false, false, nullptr,  nullptr,  "- b"},
      {{"a", "--", "--json", "b"},          false, false, nullptr,  nullptr,  "a --json b"},
  };
  // clang-format on
  for (const Row& row : rows) {
    const Arguments a = parse(row.words);
    const std::string first = row.words[0];
    EXPECT_EQ(a.request, Request::Run) << first << " " << a.error;
    EXPECT_EQ(a.yes, row.yes) << first;
    EXPECT_EQ(a.quiet, row.quiet) << first;
    EXPECT_EQ(text(a.output), text(row.output)) << first;
    EXPECT_EQ(text(a.summary), text(row.summary)) << first;
    EXPECT_EQ(names_of(a), row.names) << first;
  }
}

TEST(ParseArguments, HelpAndVersionEndTheReading) {
  // clang-format off
  EXPECT_EQ(parse({"-h"}).request,                 Request::Help);
  EXPECT_EQ(parse({"--help"}).request,             Request::Help);
  EXPECT_EQ(parse({"-V"}).request,                 Request::Version);
  EXPECT_EQ(parse({"--version"}).request,          Request::Version);
  EXPECT_EQ(parse({"-yh", "--bad"}).request,       Request::Help);
  EXPECT_EQ(parse({"a", "-V", "-x", "b"}).request, Request::Version);
  EXPECT_EQ(parse({"--bad", "-h"}).request,        Request::Usage);
  // clang-format on
}

TEST(ParseArguments, EveryUsageError) {
  struct Row {
    std::vector<const char*> words;
    const char* error;
  };
  const char* const names = "two or three names expected: TARGET MOVING [FURTHER] (torvex --help)";
  // clang-format off
  const Row rows[] = {
      {{"-x", "a", "b"},               "unknown option '-x'"},
      {{"-yx", "a", "b"},              "unknown option '-x'"},
      {{"-j", "s.json", "a", "b"},     "unknown option '-j'"},
      {{"--jso", "s", "a", "b"},       "unknown option '--jso'"},
      {{"--yes=1", "a", "b"},          "option '--yes' takes no value"},
      {{"a", "b", "-o"},               "option '-o' needs a file name"},
      {{"a", "b", "-yo"},              "option '-o' needs a file name"},
      {{"a", "b", "--output"},         "option '--output' needs a file name"},
      {{"a", "b", "--json"},           "option '--json' needs a file name"},
      {{"-o", "-", "a", "b"},          "the results file cannot be standard output: '-o -' (name a file, ./- for a file named -)"},
      {{"-qo-", "a", "b"},             "the results file cannot be standard output: '-o -' (name a file, ./- for a file named -)"},
      {{"--output=-", "a", "b"},       "the results file cannot be standard output: '--output -' (name a file, ./- for a file named -)"},
      {{},                             names},
      {{"-y"},                         names},
      {{"a"},                          names},
      {{"a", "b", "c", "d"},           names},
      {{"--", "a"},                    names},
  };
  // clang-format on
  for (const Row& row : rows) {
    const Arguments a = parse(row.words);
    EXPECT_EQ(a.request, Request::Usage) << row.error;
    EXPECT_STREQ(a.error, row.error);
  }
}

}  // namespace
