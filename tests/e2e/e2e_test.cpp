// End-to-end cases: the built program run as a user runs it, bytes in and
// bytes out. Each folder under cases/ is one run:
//
//   stdin            bytes on standard input (absent: empty input)
//   input/           copied into a fresh scratch folder; symlinks stay
//                    symlinks; a file named .keep only keeps its folder alive
//   inputs           lines "<name in scratch> <path under tests/data>"
//   terminal         marker: run under a pseudo-terminal in raw mode
//   canonical        marker: run under a pseudo-terminal in canonical mode
//   windows          marker: Windows file names ("\" between folders); run
//                    only on the Windows program, and only when named
//   structure-run    marker: the run is a structure run; skipped, and said
//                    so, with --no-structure-run (a build without gemmi)
//   args             command-line arguments, one per line (absent: none)
//   cwd              folder under the scratch folder to run in (absent: it)
//   expected/stdout  exact bytes of standard output
//   expected/stderr  exact bytes of standard error (absent: empty)
//   expected/status  exit status as decimal text (absent: 0)
//   expected/files/  every file the run leaves that is not an unchanged input
//
// The cases are found when the program starts, one test each; arguments name
// the cases to run (CTest runs one per process). Nothing is ever regenerated
// from the program's own output: every expected byte was written by hand.
//
// Any build of the program runs the same cases, through a launcher where it
// does not run natively:
//   e2e_tests --program=build/windows/torvex.exe --runner=wine --windows
//   e2e_tests --program=build/cross/aarch64/torvex --runner=qemu-aarch64
// Without the launcher on PATH or the program built, the run exits with
// status 77 (skipped) before any case. More options:
//   --windows      the program is a Windows program: of all cases, those
//                  marked `windows` run and the terminal cases and those
//                  listed in windows_excluded (with their reasons) do not
//   --no-structure-run  the program was built without the structure run:
//                  the cases marked `structure-run` are left out, and a run
//                  of such cases alone exits with status 77 (skipped)
//   --cases=DIR    the case folders are in DIR (default: cases/ here)
//   --output=DIR   every run is kept in DIR/<case>/: stdout, stderr, status
//                  and files/, the run's folder as the run left it; a case
//                  without expected/stdout is then run and kept only
// The builds' kept runs are what the cross-compiler check compares.
//
// Under a terminal the program's standard input and output are the slave
// side of a pseudo-terminal put in raw mode before the program starts, so
// bytes pass both ways unchanged (no echo, no CR/LF mapping, no signals from
// typed characters); its standard output is everything read from the master
// side. Standard error goes to a file in both modes, so the run-time error
// report is compared on its own.
//
// In canonical mode the terminal hands the program one line per read, up to
// its LF, and Ctrl-D (code 4) in stdin is end of input as a terminal reports
// it: after typed characters it hands them over without a line end, at the
// start of a line it makes that read return nothing. Echo, output mapping and
// input CR mapping stay off, so the bytes still pass unchanged; stdin of such
// a case holds no erase or kill character (codes 127 and 21).
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>
#include <utmp.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr const char* CASES_DIR = TORVEX_E2E_CASES;
constexpr const char* DATA_DIR = TORVEX_TEST_DATA;
constexpr const char* WINDOWS_EXCLUDED = TORVEX_E2E_WINDOWS_EXCLUDED;

// A run that takes longer has hung on a read: the case fails, the run is
// killed. A launcher (an emulator) may take longer to start.
constexpr auto RUN_TIMEOUT = std::chrono::seconds(20);
constexpr auto LAUNCHED_RUN_TIMEOUT = std::chrono::seconds(90);
constexpr int SKIPPED = 77;

// What runs: the program, started by the launcher when there is one, and
// where its runs are kept (nowhere when empty).
struct Launch {
  std::string program = TORVEX_BINARY;
  std::string runner;
  fs::path output;
  Clock::duration timeout() const {
    return runner.empty() ? Clock::duration(RUN_TIMEOUT) : Clock::duration(LAUNCHED_RUN_TIMEOUT);
  }
};
// Bytes of context shown on each side of the first difference.
constexpr std::size_t CONTEXT_BYTES = 40;

std::optional<std::string> read_bytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The lines of a file, without their LF; none when it is absent.
std::vector<std::string> read_lines(const fs::path& path) {
  std::vector<std::string> lines;
  std::ifstream in(path, std::ios::binary);
  std::string line;
  while (std::getline(in, line)) lines.push_back(line);
  return lines;
}

// Control bytes and bytes above 126 as escapes, so CR LF and NUL show.
std::string escaped(std::string_view bytes) {
  std::string out;
  for (const unsigned char c : bytes) {
    if (c == '\r') {
      out += "\\r";
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\\') {
      out += "\\\\";
    } else if (c < 32 || c > 126) {
      char hex[5];
      std::snprintf(hex, sizeof hex, "\\x%02x", c);
      out += hex;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

// Empty when equal; otherwise where and how the bytes first differ.
std::string describe_difference(std::string_view expected, std::string_view actual) {
  if (expected == actual) return {};
  const auto first = std::mismatch(expected.begin(), expected.end(), actual.begin(), actual.end());
  const std::size_t at = static_cast<std::size_t>(first.first - expected.begin());
  const std::size_t from = at > CONTEXT_BYTES ? at - CONTEXT_BYTES : 0;
  auto window = [&](std::string_view bytes) {
    const std::string_view before = bytes.substr(from, at - from);
    const std::string_view after = at < bytes.size() ? bytes.substr(at, CONTEXT_BYTES) : "";
    return escaped(before) + "[HERE]" + escaped(after);
  };
  std::ostringstream out;
  out << "first difference at byte " << at << " (expected " << expected.size() << " bytes, got "
      << actual.size() << ")\n  expected: " << window(expected)
      << "\n  actual:   " << window(actual);
  return out.str();
}

void expect_same(std::string_view expected, std::string_view actual, const std::string& what) {
  const std::string difference = describe_difference(expected, actual);
  if (!difference.empty()) ADD_FAILURE() << "in " << what << ": " << difference;
}

// One entry of a folder tree, compared by kind and content; symlinks by target.
struct Entry {
  enum class Kind { File, Directory, Symlink, Other } kind;
  std::string content;
  bool operator==(const Entry&) const = default;
};

using Tree = std::map<std::string, Entry>;

Tree snapshot(const fs::path& root) {
  Tree tree;
  for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator();
       ++it) {
    const fs::path& path = it->path();
    const std::string name = path.lexically_relative(root).generic_string();
    const fs::file_status status = it->symlink_status();
    if (fs::is_symlink(status)) {
      tree[name] = {Entry::Kind::Symlink, fs::read_symlink(path).generic_string()};
    } else if (fs::is_directory(status)) {
      tree[name] = {Entry::Kind::Directory, {}};
    } else if (fs::is_regular_file(status)) {
      tree[name] = {Entry::Kind::File, read_bytes(path).value_or("")};
    } else {
      tree[name] = {Entry::Kind::Other, {}};
    }
  }
  return tree;
}

// Copies a case's input folder; .keep files stay behind, their folders come.
void copy_inputs(const fs::path& from, const fs::path& to) {
  for (const fs::directory_entry& entry : fs::directory_iterator(from)) {
    const fs::path target = to / entry.path().filename();
    const fs::file_status status = entry.symlink_status();
    if (fs::is_symlink(status)) {
      fs::create_symlink(fs::read_symlink(entry.path()), target);
    } else if (fs::is_directory(status)) {
      fs::create_directory(target);
      copy_inputs(entry.path(), target);
    } else if (entry.path().filename() != ".keep") {
      fs::copy_file(entry.path(), target);
    }
  }
}

// Lines "<name in scratch> <path under tests/data>"; blank lines are skipped.
void copy_shared_inputs(const fs::path& list, const fs::path& to) {
  std::ifstream in(list);
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    std::string name;
    std::string source;
    if (!(fields >> name)) continue;
    ASSERT_TRUE(static_cast<bool>(fields >> source)) << "inputs line without a path: " << line;
    const fs::path target = to / name;
    fs::create_directories(target.parent_path());
    fs::copy_file(fs::path(DATA_DIR) / source, target);
  }
}

struct RunResult {
  std::string out;
  int status = -1;
  std::string failure;  // empty when the program ended by itself
};

std::string describe_wait_status(int wait_status) {
  if (WIFSIGNALED(wait_status)) return "killed by signal " + std::to_string(WTERMSIG(wait_status));
  return {};
}

// Waits for the child, killing its process group at the deadline.
void wait_for(pid_t child, Clock::time_point deadline, RunResult& result) {
  for (;;) {
    int wait_status = 0;
    const pid_t done = ::waitpid(child, &wait_status, WNOHANG);
    if (done == child) {
      result.failure = describe_wait_status(wait_status);
      if (WIFEXITED(wait_status)) result.status = WEXITSTATUS(wait_status);
      return;
    }
    if (Clock::now() > deadline) {
      ::kill(-child, SIGKILL);
      ::waitpid(child, &wait_status, 0);
      result.failure = "no end within the time limit: killed";
      return;
    }
    ::usleep(2000);
  }
}

// The program's argument vector: "torvex" and the case's arguments; through
// a launcher, the launcher, the program and the case's arguments.
struct Command {
  std::string folder;
  std::string file;  // what is executed: the program or the launcher
  Clock::duration timeout;
  std::vector<std::string> args;
  std::vector<char*> argv;

  Command(std::string in, const Launch& launch, std::vector<std::string> arguments)
      : folder(std::move(in)), timeout(launch.timeout()), args(std::move(arguments)) {
    if (launch.runner.empty()) {
      file = launch.program;
      args.insert(args.begin(), "torvex");
    } else {
      file = launch.runner;
      args.insert(args.begin(), {launch.runner, launch.program});
    }
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
  }
};

// The child's side: chdir into the run's folder, then the program (a
// launcher is looked up on PATH). Only async-signal-safe calls between fork
// and exec.
[[noreturn]] void exec_program(const Command& command) {
  if (::chdir(command.folder.c_str()) != 0) ::_exit(126);
  ::execvp(command.file.c_str(), command.argv.data());
  ::_exit(127);
}

// Standard input from a file (or nothing), output and error to files.
RunResult run_redirected(const Command& command, const std::optional<fs::path>& input,
                         const fs::path& out_path, const fs::path& err_path) {
  RunResult result;
  const std::string input_name = input ? input->string() : "/dev/null";
  const int in_fd = ::open(input_name.c_str(), O_RDONLY | O_CLOEXEC);
  const int out_fd = ::open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  const int err_fd = ::open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (in_fd < 0 || out_fd < 0 || err_fd < 0) {
    result.failure = "cannot set up the standard streams";
    return result;
  }
  const auto deadline = Clock::now() + command.timeout;
  const pid_t child = ::fork();
  if (child == 0) {
    ::setpgid(0, 0);
    if (::dup2(in_fd, 0) < 0 || ::dup2(out_fd, 1) < 0 || ::dup2(err_fd, 2) < 0) ::_exit(126);
    exec_program(command);
  }
  ::close(in_fd);
  ::close(out_fd);
  ::close(err_fd);
  if (child < 0) {
    result.failure = "fork failed";
    return result;
  }
  wait_for(child, deadline, result);
  result.out = read_bytes(out_path).value_or("");
  return result;
}

// The program on a pseudo-terminal, raw or canonical: standard input is written to the
// master side while its output is drained, until the program has ended and
// the master reports the slave closed (EOF or EIO).
RunResult run_on_terminal(const Command& command, const std::string& input,
                          const fs::path& err_path, bool canonical) {
  RunResult result;
  int master = -1;
  int slave = -1;
  if (::openpty(&master, &slave, nullptr, nullptr, nullptr) != 0) {
    result.failure = "openpty failed";
    return result;
  }
  // Raw before anything is written: the line discipline treats input bytes
  // as they arrive, so a later switch would not undo a cooked translation.
  termios mode{};
  ::tcgetattr(slave, &mode);
  ::cfmakeraw(&mode);
  if (canonical) {
    mode.c_lflag |= ICANON;
    mode.c_cc[VEOF] = 4;
  }
  ::tcsetattr(slave, TCSANOW, &mode);
  const int err_fd = ::open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  const auto deadline = Clock::now() + command.timeout;
  const pid_t child = ::fork();
  if (child == 0) {
    ::close(master);
    // A new session with the slave as its controlling terminal on 0, 1, 2.
    if (::login_tty(slave) != 0 || ::dup2(err_fd, 2) < 0) ::_exit(126);
    exec_program(command);
  }
  ::close(slave);
  ::close(err_fd);
  if (child < 0) {
    result.failure = "fork failed";
    ::close(master);
    return result;
  }
  ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);

  std::size_t written = 0;
  bool slave_closed = false;
  bool ended = false;
  int wait_status = 0;
  while (!(ended && slave_closed)) {
    if (Clock::now() > deadline) {
      ::kill(-child, SIGKILL);
      if (!ended) ::waitpid(child, &wait_status, 0);
      ::close(master);
      result.failure = "no end within the time limit: killed";
      return result;
    }
    pollfd watch{master, POLLIN, 0};
    if (!slave_closed && written < input.size()) watch.events |= POLLOUT;
    ::poll(&watch, 1, 10);
    if (!slave_closed && (watch.revents & (POLLIN | POLLHUP | POLLERR))) {
      char buffer[4096];
      const ssize_t got = ::read(master, buffer, sizeof buffer);
      if (got > 0) {
        result.out.append(buffer, static_cast<std::size_t>(got));
      } else if (got == 0 || (errno != EAGAIN && errno != EINTR)) {
        slave_closed = true;  // EIO: the last holder of the slave is gone
      }
    }
    if (!slave_closed && (watch.revents & POLLOUT)) {
      const ssize_t put = ::write(master, input.data() + written, input.size() - written);
      if (put > 0) written += static_cast<std::size_t>(put);
    }
    if (!ended && ::waitpid(child, &wait_status, WNOHANG) == child) ended = true;
    if (slave_closed && !ended) ::usleep(1000);  // a hung-up master polls at once
  }
  ::close(master);
  result.failure = describe_wait_status(wait_status);
  if (WIFEXITED(wait_status)) result.status = WEXITSTATUS(wait_status);
  return result;
}

// A fresh folder under the system's temporary folder; removed when the case
// passes, kept (and named in the failure) when it does not.
fs::path make_temporary_folder() {
  std::string pattern = (fs::temp_directory_path() / "torvex-e2e-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) return {};
  return pattern;
}

// The run's bytes kept in `to`: stdout, stderr, status and files/.
void keep_run(const fs::path& to, const RunResult& run, const std::string& err,
              const fs::path& scratch) {
  std::error_code ignored;
  fs::remove_all(to, ignored);
  fs::create_directories(to);
  auto write = [&](const char* name, const std::string& bytes) {
    std::ofstream(to / name, std::ios::binary) << bytes;
  };
  write("stdout", run.out);
  write("stderr", err);
  write("status", run.failure.empty() ? std::to_string(run.status) + "\n" : run.failure + "\n");
  fs::copy(scratch, to / "files", fs::copy_options::recursive | fs::copy_options::copy_symlinks);
}

class CaseTest : public testing::Test {
 public:
  CaseTest(fs::path dir, const Launch& launch) : dir_(std::move(dir)), launch_(launch) {}

  void TestBody() override {
    const fs::path& dir = dir_;
    ASSERT_TRUE(fs::is_directory(dir)) << "no case folder " << dir;
    const fs::path expected = dir / "expected";
    const std::optional<std::string> expected_out = read_bytes(expected / "stdout");
    const bool kept = !launch_.output.empty();
    ASSERT_TRUE(expected_out.has_value() || kept) << "the case has no expected/stdout";

    const fs::path temporary = make_temporary_folder();
    ASSERT_FALSE(temporary.empty()) << "cannot make a temporary folder";
    const fs::path scratch = temporary / "run";
    fs::create_directory(scratch);
    if (fs::is_directory(dir / "input")) copy_inputs(dir / "input", scratch);
    if (fs::exists(dir / "inputs")) copy_shared_inputs(dir / "inputs", scratch);
    if (HasFatalFailure()) return;
    const Tree before = snapshot(scratch);

    const fs::path err_path = temporary / "stderr";
    const bool canonical = fs::exists(dir / "canonical");
    const bool terminal = canonical || fs::exists(dir / "terminal");
    const std::optional<fs::path> input =
        fs::exists(dir / "stdin") ? std::optional<fs::path>(dir / "stdin") : std::nullopt;
    std::string folder = scratch.string();
    if (const auto cwd = read_lines(dir / "cwd"); !cwd.empty()) folder = (scratch / cwd[0]).string();
    const Command command(folder, launch_, read_lines(dir / "args"));
    RunResult run =
        terminal ? run_on_terminal(command, read_bytes(dir / "stdin").value_or(""), err_path,
                                   canonical)
                 : run_redirected(command, input, temporary / "stdout", err_path);
    const std::string err = read_bytes(err_path).value_or("");
    if (kept) keep_run(launch_.output / dir.filename(), run, err, scratch);

    if (!run.failure.empty()) ADD_FAILURE() << run.failure;
    if (!expected_out) {
      std::error_code ignored;
      fs::remove_all(temporary, ignored);
      return;
    }
    expect_same(*expected_out, run.out, "standard output");
    expect_same(read_bytes(expected / "stderr").value_or(""), err, "standard error");
    const int expected_status = std::stoi(read_bytes(expected / "status").value_or("0"));
    EXPECT_EQ(run.status, expected_status) << "exit status";
    compare_files(before, snapshot(scratch), expected / "files");

    if (HasFailure()) {
      ADD_FAILURE() << "run left in " << temporary;
    } else {
      std::error_code ignored;
      fs::remove_all(temporary, ignored);
    }
  }

 private:
  // Every file left is either listed under expected/files and equal to it,
  // or an input left as it was; nothing listed may be missing.
  static void compare_files(const Tree& before, const Tree& after, const fs::path& expected_dir) {
    Tree expected;
    if (fs::is_directory(expected_dir)) expected = snapshot(expected_dir);
    for (const auto& [name, entry] : expected) {
      if (entry.kind != Entry::Kind::File) continue;
      const auto found = after.find(name);
      if (found == after.end() || found->second.kind != Entry::Kind::File) {
        ADD_FAILURE() << "file " << name << " was not written";
        continue;
      }
      expect_same(entry.content, found->second.content, "file " + name);
    }
    for (const auto& [name, entry] : after) {
      if (expected.contains(name)) continue;
      const auto was = before.find(name);
      if (was == before.end()) {
        ADD_FAILURE() << "unexpected file " << name;
      } else if (!(was->second == entry)) {
        ADD_FAILURE() << "input " << name << " was changed: "
                      << describe_difference(was->second.content, entry.content);
      }
    }
    for (const auto& [name, entry] : before) {
      if (!after.contains(name)) ADD_FAILURE() << "input " << name << " was removed";
    }
  }

  fs::path dir_;
  const Launch& launch_;
};

// The first word of each line of windows_excluded that is no comment.
std::vector<std::string> windows_excluded() {
  std::vector<std::string> names;
  for (const std::string& line : read_lines(WINDOWS_EXCLUDED)) {
    std::istringstream words(line);
    std::string name;
    if (!line.starts_with('#') && words >> name) names.push_back(name);
  }
  return names;
}

// Every case folder under `cases` that runs on this kind of program.
std::vector<std::string> all_cases(const fs::path& cases, bool windows) {
  const std::vector<std::string> excluded =
      windows ? windows_excluded() : std::vector<std::string>{};
  std::vector<std::string> names;
  for (const fs::directory_entry& entry : fs::directory_iterator(cases)) {
    const fs::path& dir = entry.path();
    std::string name = dir.filename().string();
    if (!entry.is_directory()) continue;
    if (windows) {
      if (fs::exists(dir / "terminal") || fs::exists(dir / "canonical")) continue;
      if (std::find(excluded.begin(), excluded.end(), name) != excluded.end()) continue;
    } else if (fs::exists(dir / "windows")) {
      continue;
    }
    names.push_back(std::move(name));
  }
  std::sort(names.begin(), names.end());
  return names;
}

// True when `name` is an executable file in a folder of PATH.
bool on_path(const std::string& name) {
  const char* path = std::getenv("PATH");
  std::istringstream folders(path ? path : "");
  std::string folder;
  while (std::getline(folders, folder, ':')) {
    if (!folder.empty() && ::access((folder + "/" + name).c_str(), X_OK) == 0) return true;
  }
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  static Launch launch;
  std::vector<std::string> names;
  fs::path cases = CASES_DIR;
  bool windows = false;
  bool structure_run = true;
  for (int i = 1; i < argc; ++i) {
    const std::string_view argument = argv[i];
    if (argument.starts_with("--program=")) {
      // The run starts in its own folder: a path is taken from here.
      launch.program = fs::absolute(argument.substr(10)).string();
    } else if (argument.starts_with("--runner=")) {
      launch.runner = argument.substr(9);
    } else if (argument.starts_with("--output=")) {
      launch.output = fs::absolute(argument.substr(9));
    } else if (argument.starts_with("--cases=")) {
      cases = fs::absolute(argument.substr(8));
    } else if (argument == "--windows") {
      windows = true;
    } else if (argument == "--no-structure-run") {
      structure_run = false;
    } else if (argument.starts_with("--")) {
      std::fprintf(stderr, "e2e_tests: unknown option %s\n", argv[i]);
      return 2;
    } else {
      names.emplace_back(argument);
    }
  }
  if (!launch.runner.empty() && !on_path(launch.runner)) {
    std::printf("SKIPPED: %s is not installed\n", launch.runner.c_str());
    return SKIPPED;
  }
  if (!launch.runner.empty() && ::access(launch.program.c_str(), F_OK) != 0) {
    std::printf("SKIPPED: %s is not built\n", launch.program.c_str());
    return SKIPPED;
  }
  if (names.empty()) names = all_cases(cases, windows);
  if (!structure_run) {
    const auto skipped = std::remove_if(names.begin(), names.end(), [&](const std::string& name) {
      return fs::exists(cases / name / "structure-run");
    });
    const auto count = names.end() - skipped;
    names.erase(skipped, names.end());
    if (count > 0) {
      std::printf("SKIPPED: %d structure-run case(s): the program has no structure run\n",
                  static_cast<int>(count));
    }
    if (count > 0 && names.empty()) return SKIPPED;
  }
  for (const std::string& name : names) {
    const fs::path dir = cases / name;
    testing::RegisterTest("EndToEnd", name.c_str(), nullptr, nullptr, __FILE__, __LINE__,
                          [dir]() -> testing::Test* { return new CaseTest(dir, launch); });
  }
  return RUN_ALL_TESTS();
}
