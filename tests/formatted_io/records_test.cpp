// Formatted records through real files: what write_record leaves on disk,
// byte for byte, and what read_record and read_internal take from files
// written here with every kind of line end. Each test works in its own
// scratch directory. The console is left alone: its bytes are checked by the
// end-to-end runs, as are the last words of the stops.
#include "formatted_io/records.hpp"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

namespace formatted_io {
namespace {

constexpr Unit RESULTS = Unit::Results;
constexpr Unit TARGET = Unit::Target;
constexpr Unit MOVING = Unit::Structure;

// The run's streams: large, so one static object serves every test.
Io& shared_io() {
  static Io io;
  return io;
}

class FileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = ::testing::TempDir() + "records_test_XXXXXX";
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    scratch = pattern;
  }

  void TearDown() override {
    for (Unit unit : {TARGET, MOVING, RESULTS}) close_channel(io, unit);
    std::filesystem::remove_all(scratch);
  }

  std::string path(const char* name) const { return (scratch / name).string(); }

  static std::string contents(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

  static void write_file(const std::string& file, const std::string& bytes) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << bytes;
  }

  bool open_out(Unit unit, const std::string& name) {
    return open_output(io, unit, name.data(), static_cast<int>(name.size()));
  }

  bool open_in(Unit unit, const std::string& name) {
    return open_existing(io, unit, name.data(), static_cast<int>(name.size()));
  }

  // Writes one statement to a fresh file and returns the file's bytes.
  template <Format F, typename... Items>
  std::string written(const Items&... items) {
    const std::string file = path("out.pdb");
    if (!open_out(RESULTS, file)) {
      ADD_FAILURE() << "cannot open " << file;
      return {};
    }
    write_record<F>(io, RESULTS, items...);
    close_channel(io, RESULTS);
    return contents(file);
  }

  // Reads every line of a file with "(a)" into 80 characters.
  std::vector<std::string> lines_of(const std::string& bytes) {
    const std::string file = path("in.pdb");
    write_file(file, bytes);
    std::vector<std::string> lines;
    if (!open_in(TARGET, file)) {
      ADD_FAILURE() << "cannot open " << file;
      return lines;
    }
    char line[80];
    while (read_record<Format("(a)")>(io, TARGET, true, line) == ReadResult::Ok) {
      lines.emplace_back(line, sizeof line);
      if (lines.size() > 100) break;
    }
    close_channel(io, TARGET);
    return lines;
  }

  static std::string padded(const std::string& text) {
    return text + std::string(80 - text.size(), ' ');
  }

  Io& io = shared_io();
  std::filesystem::path scratch;
};

class WriteFormatted : public FileTest {};
class ReadFormatted : public FileTest {};
class ReadInternal : public FileTest {};
class Channels : public FileTest {};

// ---------------------------------------------------------------------------
// Writing

TEST_F(WriteFormatted, DataDescriptorAfterLastItemWritesNothing) {
  const std::string bytes = written<Format("(4e12.5,i5)")>(1.0f, -1.0f, 0.0f, 0.001234f);
  EXPECT_EQ(bytes, "  .10000E+01 -.10000E+01  .00000E+00  .12340E-02\r\n");
  EXPECT_EQ(bytes.size(), 48u + 2u);
}

TEST_F(WriteFormatted, SlashEndsTheRecord) {
  EXPECT_EQ(written<Format("(a,i5/)")>(" Atoms :", 42), " Atoms :   42\r\n\r\n");
  EXPECT_EQ(written<Format("(/a)")>(" Text"), "\r\n Text\r\n");
  EXPECT_EQ(written<Format("(/a/)")>(" Text"), "\r\n Text\r\n\r\n");
  EXPECT_EQ(written<Format("(a/)")>(" Text"), " Text\r\n\r\n");
  EXPECT_EQ(written<Format("(/a,a,a/)")>(" a", "b", "c "), "\r\n abc \r\n\r\n");
  EXPECT_EQ(written<Format("(a)")>(""), "\r\n");  // an empty record is still a line
}

TEST_F(WriteFormatted, RecordWrittenAsItStands) {
  // Plain mode: the first character is data, trailing blanks stay.
  EXPECT_EQ(written<Format("(a)")>("1ABC"), "1ABC\r\n");
  EXPECT_EQ(written<Format("(a)")>("0ABC"), "0ABC\r\n");
  EXPECT_EQ(written<Format("(a)")>("+ABC"), "+ABC\r\n");
  EXPECT_EQ(written<Format("(a)")>("END   "), "END   \r\n");
  EXPECT_EQ(written<Format("(a6,a3)")>("ATOM", "HETATM"), "  ATOMHET\r\n");
}

TEST_F(WriteFormatted, OverflowKeepsTheColumns) {
  EXPECT_EQ(written<Format("(a,3f8.3,a)")>("|", 12.345f, -12345.0f, 0.5f, "|"),
            "|  12.345********    .500|\r\n");
  EXPECT_EQ(written<Format("(i2,a)")>(100, "|"), "**|\r\n");
}

TEST_F(WriteFormatted, NinetyCharacterRecordMakesA92ByteLine) {
  const std::string text = "ATOM      1  N   MET A   1    ";  // columns 1-30
  const std::string bytes = written<Format("(a,3f8.3,2f6.2,4f6.3)")>(
      std::string_view(text), 11.104f, -6.134f, 0.0f, 1.0f, 0.25f, 0.5f, 0.125f, 1.5f, 12.0f);
  EXPECT_EQ(bytes, text + "  11.104  -6.134    .000  1.00   .25  .500  .125 1.50012.000\r\n");
  EXPECT_EQ(bytes.size(), 92u);
}

TEST_F(WriteFormatted, RecordsFollowEachOther) {
  const std::string file = path("out.pdb");
  ASSERT_TRUE(open_out(RESULTS, file));
  write_record<Format("(a)")>(io, RESULTS, "TITLE");
  write_record<Format("(a,i5)")>(io, RESULTS, "REMARK", 7);
  write_record<Format("(a)")>(io, RESULTS, "END");
  close_channel(io, RESULTS);
  EXPECT_EQ(contents(file), "TITLE\r\nREMARK    7\r\nEND\r\n");
}

TEST_F(WriteFormatted, DollarRecordGetsNoLineEnd) {
  // A record ended under "$" is written without its line end, so the next
  // record continues its line. (No format of the program does this to a file.)
  const std::string file = path("out.pdb");
  ASSERT_TRUE(open_out(RESULTS, file));
  write_record<Format("(a$)")>(io, RESULTS, "PROMPT ");
  write_record<Format("(a)")>(io, RESULTS, "ANSWER");
  close_channel(io, RESULTS);
  EXPECT_EQ(contents(file), "PROMPT ANSWER\r\n");
}

// ---------------------------------------------------------------------------
// Channels

TEST_F(Channels, ExistingFileKeptUntilFirstRecord) {
  const std::string file = path("old.pdb");
  const std::string old = "old contents, longer than what replaces them\r\nsecond line\r\n";
  write_file(file, old);

  // Opened and closed without a record: untouched.
  ASSERT_TRUE(open_out(RESULTS, file));
  EXPECT_EQ(contents(file), old);
  close_channel(io, RESULTS);
  EXPECT_EQ(contents(file), old);

  // The first record cuts it where writing begins; no old tail survives.
  ASSERT_TRUE(open_out(RESULTS, file));
  EXPECT_EQ(contents(file), old);
  write_record<Format("(a)")>(io, RESULTS, " new");
  const std::string after_first = contents(file);
  EXPECT_TRUE(std::string(" new\r\n").starts_with(after_first)) << after_first;
  write_record<Format("(a)")>(io, RESULTS, " more");
  close_channel(io, RESULTS);
  EXPECT_EQ(contents(file), " new\r\n more\r\n");
}

TEST_F(Channels, CreatesMissingFile) {
  const std::string file = path("new.pdb");
  ASSERT_TRUE(open_out(RESULTS, file));
  close_channel(io, RESULTS);
  EXPECT_TRUE(std::filesystem::is_regular_file(file));
  EXPECT_EQ(contents(file), "");
}

TEST_F(Channels, NameTrimmedOfBlanks) {
  const std::string file = path("named.pdb");
  ASSERT_TRUE(open_out(RESULTS, "  " + file + "     "));
  write_record<Format("(a)")>(io, RESULTS, "X");
  close_channel(io, RESULTS);
  EXPECT_EQ(contents(file), "X\r\n");
  EXPECT_TRUE(open_in(MOVING, "   " + file + "  "));
}

TEST_F(Channels, RecordLongerThanTheBufferWrittenWhole) {
  // A record built elsewhere may be longer than the channel's buffer; it
  // goes out whole, after what was buffered before it.
  const std::string file = path("long.out");
  const std::string record(STREAM_BUFFER_BYTES + 100, 'x');
  ASSERT_TRUE(open_out(RESULTS, file));
  write_record<Format("(a)")>(io, RESULTS, "first");
  ASSERT_TRUE(
      io.channel(RESULTS).write_record(record.data(), static_cast<int>(record.size()), true));
  write_record<Format("(a)")>(io, RESULTS, "last");
  close_channel(io, RESULTS);
  EXPECT_EQ(contents(file), "first\r\n" + record + "\r\nlast\r\n");
}

TEST_F(Channels, OpenFailures) {
  EXPECT_FALSE(open_in(TARGET, path("missing.pdb")));
  EXPECT_FALSE(open_in(TARGET, scratch.string()));  // a directory is no file
  EXPECT_FALSE(open_out(RESULTS, path("no_such_dir/out.pdb")));
  EXPECT_FALSE(std::filesystem::exists(path("missing.pdb")));
}

// ---------------------------------------------------------------------------
// Reading

TEST_F(ReadFormatted, LfAndCrLfAlike) {
  const std::vector<std::string> want = {padded("ABC"), padded("DEF")};
  EXPECT_EQ(lines_of("ABC\nDEF\n"), want);
  EXPECT_EQ(lines_of("ABC\r\nDEF\r\n"), want);
  EXPECT_EQ(lines_of("ABC\r\nDEF\n"), want);
}

TEST_F(ReadFormatted, LastLineWithoutLineEnd) {
  EXPECT_EQ(lines_of("ABC\r\nDEF"), (std::vector<std::string>{padded("ABC"), padded("DEF")}));
  EXPECT_EQ(lines_of("DEF"), std::vector<std::string>{padded("DEF")});
  EXPECT_EQ(lines_of(""), std::vector<std::string>{});
}

TEST_F(ReadFormatted, EmptyAndLongLines) {
  const std::string hundred(100, 'x');
  EXPECT_EQ(lines_of("\r\n" + hundred + "\r\n\n"),
            (std::vector<std::string>{padded(""), std::string(80, 'x'), padded("")}));
}

TEST_F(ReadFormatted, CarriageReturnEndsTheData) {
  // Whatever stands between a CR and the LF is never used.
  EXPECT_EQ(lines_of("AB\rCD\r\nEF\n\rGH\n"),
            (std::vector<std::string>{padded("AB"), padded("EF"), padded("")}));
}

TEST_F(ReadFormatted, CarriageReturnEndsTheDataOfALongLine) {
  // The rest of the line after the CR runs past any buffer.
  EXPECT_EQ(lines_of("XY\r" + std::string(300000, 'z') + "\r\nEF\n"),
            (std::vector<std::string>{padded("XY"), padded("EF")}));
}

TEST_F(ReadFormatted, EndOfFileCharacterIsTextInAFile) {
  // Code 26 ends console input, but in a file it is an ordinary character.
  EXPECT_EQ(lines_of("A\032B\r\n\032\r\n"),
            (std::vector<std::string>{padded("A\032B"), padded("\032")}));
}

TEST_F(ReadFormatted, EndOfFileRepeats) {
  const std::string file = path("in.pdb");
  write_file(file, "ONLY\r\n");
  ASSERT_TRUE(open_in(TARGET, file));
  char line[80];
  EXPECT_EQ(read_record<Format("(a)")>(io, TARGET, true, line), ReadResult::Ok);
  EXPECT_EQ(read_record<Format("(a)")>(io, TARGET, true, line), ReadResult::EndOfFile);
  EXPECT_EQ(read_record<Format("(a)")>(io, TARGET, true, line), ReadResult::EndOfFile);
}

TEST_F(ReadFormatted, LinesHandedOverInPlace) {
  // Lines of every length up to past 80, some with a CR inside, enough of
  // them to cross the read buffer's end many times: each read as a LineText
  // is the line's data, cut or padded to 80 characters.
  std::string bytes;
  std::vector<std::string> want;
  for (int i = 0; i < 4000; ++i) {
    std::string data(static_cast<std::size_t>(i * 7 % 121), static_cast<char>('A' + i % 26));
    std::string line = data;
    if (i % 5 == 0) line.append(1, '\r').append(static_cast<std::size_t>(i % 9), 'z');
    bytes += line + (i % 3 == 0 ? "\r\n" : "\n");
    data.resize(80, ' ');
    want.push_back(data);
  }
  const std::string file = path("lines.pdb");
  write_file(file, bytes);
  ASSERT_TRUE(open_in(TARGET, file));
  LineText<80> text;
  std::vector<std::string> got;
  while (read_record<Format("(a)")>(io, TARGET, true, text) == ReadResult::Ok) {
    got.emplace_back(text.data, 80);
  }
  ASSERT_EQ(got.size(), want.size());
  for (std::size_t i = 0; i < want.size(); ++i) ASSERT_EQ(got[i], want[i]) << "line " << i;
}

long peak_memory_kb() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

TEST_F(ReadFormatted, MegabyteLineInBoundedMemory) {
  constexpr int CHUNK = 1 << 16;
  constexpr int LINE_BYTES = 1 << 20;
  static char pattern[CHUNK];
  for (int i = 0; i < CHUNK; ++i) pattern[i] = static_cast<char>('A' + i % 26);
  const std::string file = path("long.pdb");
  {
    std::ofstream out(file, std::ios::binary);
    for (int written_bytes = 0; written_bytes < LINE_BYTES; written_bytes += CHUNK) {
      out.write(pattern, CHUNK);
    }
    out << "\r\nNEXT\r\n";
  }
  ASSERT_TRUE(open_in(MOVING, file));
  char line[80];
  const long before = peak_memory_kb();
  ASSERT_EQ(read_record<Format("(a)")>(io, MOVING, true, line), ReadResult::Ok);
  EXPECT_EQ(std::string(line, 80), std::string(pattern, 80));
  ASSERT_EQ(read_record<Format("(a)")>(io, MOVING, true, line), ReadResult::Ok);
  EXPECT_EQ(std::string(line, 80), padded("NEXT"));
  EXPECT_EQ(read_record<Format("(a)")>(io, MOVING, true, line), ReadResult::EndOfFile);
  // Holding the line would have raised the peak by a megabyte.
  EXPECT_LT(peak_memory_kb() - before, 512);
}

TEST_F(ReadFormatted, RewindStartsAgain) {
  const std::string file = path("in.pdb");
  write_file(file, "FIRST\r\nSECOND\r\nTHIRD\r\n");
  ASSERT_TRUE(open_in(MOVING, file));
  char line[80];
  ASSERT_EQ(read_record<Format("(a)")>(io, MOVING, true, line), ReadResult::Ok);
  ASSERT_EQ(read_record<Format("(a)")>(io, MOVING, true, line), ReadResult::Ok);
  EXPECT_EQ(std::string(line, 80), padded("SECOND"));
  rewind_channel(io, MOVING);
  ASSERT_EQ(read_record<Format("(a)")>(io, MOVING, true, line), ReadResult::Ok);
  EXPECT_EQ(std::string(line, 80), padded("FIRST"));

  // After the end as well.
  while (read_record<Format("(a)")>(io, MOVING, true, line) == ReadResult::Ok) {
  }
  rewind_channel(io, MOVING);
  ASSERT_EQ(read_record<Format("(a)")>(io, MOVING, true, line), ReadResult::Ok);
  EXPECT_EQ(std::string(line, 80), padded("FIRST"));
}

TEST_F(ReadFormatted, FieldsOfOneLine) {
  // One read takes one line: the rest of it is dropped, the next read starts
  // on the next line.
  const std::string file = path("in.pdb");
  write_file(file, "  1.5  -2.25 3\r\n       7.0 rest\nlast\n");
  ASSERT_TRUE(open_in(TARGET, file));
  float a = 0, b = 0;
  ASSERT_EQ(read_record<Format("(2f6.2)")>(io, TARGET, true, a, b), ReadResult::Ok);
  EXPECT_EQ(a, 1.5f);
  EXPECT_EQ(b, -2.25f);
  char name[4];
  ASSERT_EQ(read_record<Format("(f10.1,1x,a)")>(io, TARGET, true, a, name), ReadResult::Ok);
  EXPECT_EQ(a, 7.0f);
  EXPECT_EQ(std::string(name, 4), "rest");
  ASSERT_EQ(read_record<Format("(a)")>(io, TARGET, true, name), ReadResult::Ok);
  EXPECT_EQ(std::string(name, 4), "last");
}

TEST_F(ReadFormatted, ReadsWhatWasWritten) {
  const std::string file = path("round.pdb");
  ASSERT_TRUE(open_out(RESULTS, file));
  write_record<Format("(a,3f8.3)")>(io, RESULTS, "XYZ", 11.104f, -6.134f, 0.5f);
  close_channel(io, RESULTS);
  ASSERT_TRUE(open_in(MOVING, file));
  float x = 0, y = 0, z = 0;
  ASSERT_EQ(read_record<Format("(3x,3f8.3)")>(io, MOVING, true, x, y, z), ReadResult::Ok);
  EXPECT_EQ(x, 11.104f);
  EXPECT_EQ(y, -6.134f);
  EXPECT_EQ(z, 0.5f);
}

// ---------------------------------------------------------------------------
// Internal records

TEST_F(ReadInternal, ColumnsOfACoordinateRecord) {
  std::string record = "ATOM      5  OG1 THR A   2      11.104   6.134  -6.504  1.00 31.37";
  record.resize(80, ' ');
  char columns[3];
  char residue[3];
  read_internal<Format("(14x,a3,a3)")>(io, record.data(), 80, columns, residue);
  EXPECT_EQ(std::string(columns, 3), "G1 ");  // columns 15-17
  EXPECT_EQ(std::string(residue, 3), "THR");  // columns 18-20
  float x = 0, y = 0, z = 0;
  read_internal<Format("(30x,3f8.3)")>(io, record.data(), 80, x, y, z);
  EXPECT_EQ(x, 11.104f);
  EXPECT_EQ(y, 6.134f);
  EXPECT_EQ(z, -6.504f);
}

TEST_F(ReadInternal, PastTheEndReadsBlanks) {
  const char* record = "ATOM      1  N   MET A   1      11.104   6.134";
  float x = -1, y = -1, z = -1;
  read_internal<Format("(30x,3f8.3)")>(io, record, 46, x, y, z);
  EXPECT_EQ(x, 11.104f);
  EXPECT_EQ(y, 6.134f);
  EXPECT_EQ(z, 0.0f);
  x = y = z = -1;
  read_internal<Format("(30x,3f8.3)")>(io, record, 20, x, y, z);
  EXPECT_EQ(x, 0.0f);
  EXPECT_EQ(y, 0.0f);
  EXPECT_EQ(z, 0.0f);
  char text[5];
  read_internal<Format("(a)")>(io, record, 2, text);
  EXPECT_EQ(std::string(text, 5), "AT   ");
}

}  // namespace
}  // namespace formatted_io
