// The whole program under a coverage-guided, fork-server fuzzer. One input
// file holds a complete run: what is typed on standard input and the
// structure files, as parts split at the separator line "%%":
//
//   <standard input> LF %% LF <t.pdb> LF %% LF <m.pdb> LF %% LF <f.pdb>
//
// The line end before "%%" belongs to the separator, so a part may end with
// or without a line end of its own. A missing part leaves its file absent; a
// fourth separator and what follows it stay in f.pdb. Each run starts in an
// emptied working folder (TORVEX_FUZZ_DIR, default ./torvex-fuzz-run) holding
// only the structure files; standard input is an in-memory file, as if
// redirected from a regular file.
//
//   torvex_afl INPUT     (no argument: the input is read from standard input)
//
// A pause hands a typed line to the command interpreter. Fuzzed text must
// never reach a shell, so this program is linked with the system call
// replaced: the command is not run and the call reports that no shell could
// be started, a result the program ignores either way.
#include <sys/mman.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <string_view>
#include <system_error>

#include "app/run_state.hpp"
#include "formatted_io/stops.hpp"

extern "C" int __wrap_system(const char* command) {
  return command == nullptr ? 0 : -1;
}

namespace {

namespace fs = std::filesystem;

constexpr std::string_view SEPARATOR = "\n%%\n";
constexpr const char* PART_FILES[] = {"t.pdb", "m.pdb", "f.pdb"};

[[noreturn]] void fail(const char* what) {
  std::perror(what);
  std::_Exit(2);  // a harness failure, never a status the program uses
}

std::string read_input(const char* path) {
  std::ifstream in;
  std::istream* source = &std::cin;
  if (path != nullptr) {
    in.open(path, std::ios::binary);
    if (!in) fail(path);
    source = &in;
  }
  return std::string(std::istreambuf_iterator<char>(*source), std::istreambuf_iterator<char>());
}

void write_file(const fs::path& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) fail(path.c_str());
}

// Standard input from memory: a regular file as far as the program can tell.
void set_standard_input(std::string_view bytes) {
  const int fd = ::memfd_create("stdin", 0);
  if (fd < 0) fail("memfd_create");
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t put = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (put <= 0) fail("write");
    done += static_cast<std::size_t>(put);
  }
  if (::lseek(fd, 0, SEEK_SET) != 0 || ::dup2(fd, 0) != 0) fail("standard input");
  ::close(fd);
}

void set_up_run(std::string_view input) {
  const char* dir = std::getenv("TORVEX_FUZZ_DIR");
  const fs::path work = fs::absolute(dir != nullptr ? dir : "torvex-fuzz-run");
  std::error_code error;
  fs::remove_all(work, error);
  if (error || !fs::create_directories(work, error)) fail(work.c_str());
  fs::current_path(work, error);
  if (error) fail(work.c_str());

  std::size_t split = input.find(SEPARATOR);
  set_standard_input(input.substr(0, split));
  for (const char* name : PART_FILES) {
    if (split == std::string_view::npos) break;
    input.remove_prefix(split + SEPARATOR.size());
    split = name == PART_FILES[2] ? std::string_view::npos : input.find(SEPARATOR);
    write_file(name, input.substr(0, split));
  }
}

}  // namespace

int main(int argc, char** argv) {
  const std::string input = read_input(argc > 1 ? argv[1] : nullptr);
  set_up_run(input);
  // From here on as the program's own entry.
  std::signal(SIGPIPE, SIG_IGN);
  static app::RunState state;
  state.io.console.attach();
  try {
    app::run(state);
  } catch (const formatted_io::Stop& stop) {
    // The dialogue's last words, as the program's main writes them.
    return formatted_io::finish_run(state.io, stop);
  }
}
