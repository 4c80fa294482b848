#include "batch/run_apart.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>
#ifdef __linux__
#include <sys/prctl.h>
#endif

#include <array>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <exception>
#include <vector>

#include "support/io_error.h"

namespace s2v {

namespace {

constexpr std::array kStopSignals{SIGINT, SIGTERM, SIGHUP};

volatile std::sig_atomic_t stopsSeen = 0;
volatile pid_t workingChild = 0;

// The parent's handler while the child works: the first stop is passed on
// for the work to end cleanly, a second ends the child at once.
extern "C" void PassStopOn(int) {
  const int savedErrno = errno;
  const bool first = stopsSeen == 0;
  stopsSeen = 1;
  if (workingChild > 0) kill(workingChild, first ? SIGTERM : SIGKILL);
  errno = savedErrno;
}

sigset_t StopSignalSet() {
  sigset_t set;
  sigemptyset(&set);
  for (int signal : kStopSignals) sigaddset(&set, signal);
  return set;
}

// In the child, a handler the program installed keeps handling every stop
// signal instead of giving the second one its default end.
void KeepStopHandlers() {
  for (int signal : kStopSignals) {
    struct sigaction action {};
    if (sigaction(signal, nullptr, &action) != 0 || action.sa_handler == SIG_DFL || action.sa_handler == SIG_IGN)
      continue;
    action.sa_flags &= ~SA_RESETHAND;
    sigaction(signal, &action, nullptr);
  }
}

void EndWithParent(pid_t parent) {
#ifdef __linux__
  prctl(PR_SET_PDEATHSIG, SIGTERM);
#endif
  if (getppid() != parent) kill(getpid(), SIGTERM);
}

// The parent's stop handlers while a child works, the old ones back after.
class StopsPassedOn {
 public:
  explicit StopsPassedOn(pid_t child) {
    stopsSeen = 0;
    workingChild = child;
    struct sigaction action {};
    action.sa_handler = PassStopOn;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < kStopSignals.size(); ++i) sigaction(kStopSignals[i], &action, &old_[i]);
  }
  ~StopsPassedOn() {
    for (std::size_t i = 0; i < kStopSignals.size(); ++i) sigaction(kStopSignals[i], &old_[i], nullptr);
    workingChild = 0;
  }
  StopsPassedOn(const StopsPassedOn&) = delete;
  StopsPassedOn& operator=(const StopsPassedOn&) = delete;

 private:
  std::array<struct sigaction, kStopSignals.size()> old_{};
};

// Stop signals held back until a handler for them is in place.
class StopsHeld {
 public:
  StopsHeld() {
    const sigset_t stops = StopSignalSet();
    sigprocmask(SIG_BLOCK, &stops, &old_);
  }
  ~StopsHeld() { sigprocmask(SIG_SETMASK, &old_, nullptr); }
  StopsHeld(const StopsHeld&) = delete;
  StopsHeld& operator=(const StopsHeld&) = delete;

 private:
  sigset_t old_;
};

}  // namespace

ApartOutcome RunApart(const WorkingFolder& folder, const std::function<int(const PassingNote&)>& work) {
  int notes[2];
  if (pipe2(notes, O_CLOEXEC) != 0) ThrowErrno(errno);
  std::fflush(stdout);
  std::fflush(stderr);
  std::optional<StopsHeld> held(std::in_place);
  const pid_t parent = getpid();
  const pid_t child = fork();
  if (child < 0) {
    const int err = errno;
    close(notes[0]);
    close(notes[1]);
    ThrowErrno(err);
  }
  if (child == 0) {
    KeepStopHandlers();
    EndWithParent(parent);
    held.reset();
    close(notes[0]);
    int status = 1;
    try {
      status = work([&](const std::string& name) {
        const std::string line = name + '\n';
        for (std::size_t done = 0; done < line.size();) {
          const ssize_t n = write(notes[1], line.data() + done, line.size() - done);
          if (n < 0 && errno == EINTR) continue;
          if (n <= 0) break;
          done += static_cast<std::size_t>(n);
        }
      });
    } catch (const std::exception& failure) {
      std::fprintf(stderr, "%s\n", failure.what());
      status = 2;
    }
    std::fflush(stdout);
    std::fflush(stderr);
    _exit(status);
  }

  StopsPassedOn passedOn(child);
  held.reset();
  close(notes[1]);
  std::string noted;
  char buffer[4096];
  for (;;) {
    const ssize_t n = read(notes[0], buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    noted.append(buffer, static_cast<std::size_t>(n));
  }
  close(notes[0]);
  int status = 0;
  while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  ApartOutcome outcome;
  outcome.stopAsked = stopsSeen > 0;
  if (WIFEXITED(status)) {
    outcome.status = WEXITSTATUS(status);
    return outcome;
  }
  outcome.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
  // Only whole lines are names.
  for (std::size_t start = 0, end; (end = noted.find('\n', start)) != std::string::npos; start = end + 1)
    folder.Remove(noted.substr(start, end - start));
  return outcome;
}

}  // namespace s2v
