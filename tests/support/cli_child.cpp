#include "support/cli_child.h"

#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <thread>

namespace murl::test {
namespace {

constexpr auto kPatience = std::chrono::seconds(20);

// Runs in the child after fork: its folder, environment and program.
[[noreturn]] void become(const TempDir& dir, const std::vector<std::string>& args,
                         const std::vector<std::string>& env) {
  if (::chdir(dir.path().c_str()) != 0) ::_exit(126);
  ::unsetenv("MURL_PASSWORD");
  ::unsetenv("MURL_MARK");
  for (const std::string& assignment : env) ::putenv(const_cast<char*>(assignment.c_str()));
  std::vector<char*> argv{const_cast<char*>(MURL_CLI_PATH)};
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  ::execv(MURL_CLI_PATH, argv.data());
  ::_exit(127);
}

}  // namespace

CliChild::CliChild(const TempDir& dir, const std::vector<std::string>& args,
                   const std::vector<std::string>& env) {
  pid_ = ::forkpty(&terminal_, nullptr, nullptr, nullptr);
  if (pid_ == 0) become(dir, args, env);
}

CliChild::~CliChild() {
  if (pid_ > 0) {
    ::kill(pid_, SIGKILL);
    wait();
  }
  if (terminal_ >= 0) ::close(terminal_);
}

bool CliChild::waitForOutput(const std::string& text) {
  const auto until = std::chrono::steady_clock::now() + kPatience;
  while (seen_.find(text) == std::string::npos) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        until - std::chrono::steady_clock::now());
    pollfd ready{terminal_, POLLIN, 0};
    if (left.count() <= 0 || ::poll(&ready, 1, static_cast<int>(left.count())) <= 0) return false;
    char buffer[512];
    const ssize_t n = ::read(terminal_, buffer, sizeof buffer);
    if (n <= 0) return false;
    seen_.append(buffer, static_cast<size_t>(n));
  }
  return true;
}

bool CliChild::terminalEchoes() const {
  termios settings{};
  return ::tcgetattr(terminal_, &settings) == 0 && (settings.c_lflag & ECHO) != 0;
}

void CliChild::signal(int number) { ::kill(pid_, number); }

int CliChild::wait() {
  // A child that outlives the patience (one waiting for input that never comes) is killed, so a
  // failing test ends instead of hanging.
  const auto until = std::chrono::steady_clock::now() + kPatience;
  int status = -1;
  pid_t done;
  while ((done = ::waitpid(pid_, &status, WNOHANG)) == 0 || (done < 0 && errno == EINTR)) {
    if (std::chrono::steady_clock::now() > until) ::kill(pid_, SIGKILL);
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  pid_ = -1;
  return status;
}

}  // namespace murl::test
