// A console that cannot be written must end the run with the run-time error
// report and status 1: never a hang, never a silent death by signal.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

namespace {

struct Outcome {
  int status = -1;  // exit status, or -1 when ended by a signal
  std::string error;
};

// Runs the example dialogue in a scratch folder (holding links to the example
// structures) with the given descriptor as standard output.
Outcome run_with_output(int output_fd) {
  char scratch[] = "/tmp/torvex-console-XXXXXX";
  EXPECT_NE(mkdtemp(scratch), nullptr);
  const std::string folder = scratch;
  for (const char* name : {"1hpv_chainA.pdb", "1hpv_chainB.pdb"}) {
    EXPECT_EQ(symlink((std::string(TORVEX_EXAMPLES "/") + name).c_str(),
                      (folder + "/" + name).c_str()),
              0);
  }
  int error_pipe[2];
  EXPECT_EQ(pipe(error_pipe), 0);
  const pid_t child = fork();
  if (child == 0) {
    const int input = open(TORVEX_EXAMPLES "/dialogue.txt", O_RDONLY);
    if (input < 0 || chdir(folder.c_str()) != 0) _exit(99);
    dup2(input, 0);
    dup2(output_fd, 1);
    dup2(error_pipe[1], 2);
    close(error_pipe[0]);
    execl(TORVEX_BINARY, TORVEX_BINARY, static_cast<char*>(nullptr));
    _exit(98);
  }
  close(error_pipe[1]);
  Outcome outcome;
  char buffer[512];
  ssize_t got;
  while ((got = read(error_pipe[0], buffer, sizeof buffer)) > 0) outcome.error.append(buffer, got);
  close(error_pipe[0]);
  int wait_status = 0;
  waitpid(child, &wait_status, 0);
  if (WIFEXITED(wait_status)) outcome.status = WEXITSTATUS(wait_status);
  for (const char* name : {"1hpv_chainA.pdb", "1hpv_chainB.pdb", "1hpv_chainB_mvd.pdb"}) {
    unlink((folder + "/" + name).c_str());
  }
  rmdir(folder.c_str());
  return outcome;
}

constexpr const char* WRITE_REPORT =
    "\r\nrun-time error F6508: WRITE(CON)\r\n- the system could not write the file\r\n";

TEST(ConsoleFaults, ClosedPipeEndsWithReport) {
  int output_pipe[2];
  ASSERT_EQ(pipe(output_pipe), 0);
  close(output_pipe[0]);  // nobody reads: every write meets a broken pipe
  const Outcome outcome = run_with_output(output_pipe[1]);
  close(output_pipe[1]);
  EXPECT_EQ(outcome.status, 1);
  EXPECT_EQ(outcome.error, WRITE_REPORT);
}

TEST(ConsoleFaults, FullDeviceEndsWithReport) {
  const int full = open("/dev/full", O_WRONLY);
  ASSERT_GE(full, 0);
  const Outcome outcome = run_with_output(full);
  close(full);
  EXPECT_EQ(outcome.status, 1);
  EXPECT_EQ(outcome.error, WRITE_REPORT);
}

}  // namespace
