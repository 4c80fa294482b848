#include "batch/run_apart.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <exception>
#include <vector>

#include "support/io_error.h"

namespace s2v {

ApartOutcome RunApart(const WorkingFolder& folder, const std::function<int(const PassingNote&)>& work) {
  int notes[2];
  if (pipe2(notes, O_CLOEXEC) != 0) ThrowErrno(errno);
  std::fflush(stdout);
  std::fflush(stderr);
  const pid_t child = fork();
  if (child < 0) {
    const int err = errno;
    close(notes[0]);
    close(notes[1]);
    ThrowErrno(err);
  }
  if (child == 0) {
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
