// Child processes with their output on one pipe each, polled together; a
// child that outlives the time-out is killed.
#include "child_runs.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace koru::sweep {
namespace {

using Clock = std::chrono::steady_clock;

struct Child {
  size_t index = 0;
  pid_t pid = -1;
  int pipe = -1;
  Clock::time_point started;
  bool killed = false;
  std::string output;
};

// Forks and executes `self` with `args`, its stdout and stderr on a new pipe.
// The child only duplicates descriptors and executes: nothing that could
// wait on a lock another thread of this process held at the fork.
bool Spawn(const std::string& self, const std::vector<std::string>& args, Child& child) {
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(self.c_str()));
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  int fds[2];
  if (pipe(fds) != 0) return false;
  pid_t pid = fork();
  if (pid < 0) {
    close(fds[0]);
    close(fds[1]);
    return false;
  }
  if (pid == 0) {
    dup2(fds[1], STDOUT_FILENO);
    dup2(fds[1], STDERR_FILENO);
    close(fds[0]);
    close(fds[1]);
    execv(self.c_str(), argv.data());
    _exit(127);
  }
  close(fds[1]);
  child.pid = pid;
  child.pipe = fds[0];
  child.started = Clock::now();
  return true;
}

std::string HowItEnded(int status, bool killed, std::chrono::seconds timeout) {
  if (killed) return "hung: killed after " + std::to_string(timeout.count()) + " s";
  if (WIFSIGNALED(status)) return std::string("crashed: ") + strsignal(WTERMSIG(status));
  // A sanitizer's report ends the process with a status of its own.
  return "ended with exit status " + std::to_string(WEXITSTATUS(status));
}

ChildOutcome Reap(Child& child, std::chrono::seconds timeout) {
  close(child.pipe);
  int status = 0;
  waitpid(child.pid, &status, 0);
  ChildOutcome outcome;
  outcome.completed = !child.killed && WIFEXITED(status) && WEXITSTATUS(status) == 0;
  if (!outcome.completed) outcome.how = HowItEnded(status, child.killed, timeout);
  outcome.output = std::move(child.output);
  return outcome;
}

// Reads what the child wrote; false at the end of its output.
bool Drain(Child& child) {
  char buffer[4096];
  ssize_t got = read(child.pipe, buffer, sizeof buffer);
  if (got > 0) child.output.append(buffer, static_cast<size_t>(got));
  return got > 0 || (got < 0 && errno == EINTR);
}

void KillOverdue(std::vector<Child>& running, std::chrono::seconds timeout) {
  for (Child& child : running) {
    if (!child.killed && Clock::now() - child.started > timeout) {
      kill(child.pid, SIGKILL);
      child.killed = true;
    }
  }
}

// Waits for output from any running child; ends and reports those whose
// output has ended.
void PollOnce(const ChildPool& pool, std::vector<Child>& running,
              const std::function<void(size_t, const ChildOutcome&)>& done) {
  std::vector<pollfd> fds;
  for (const Child& child : running) fds.push_back({child.pipe, POLLIN, 0});
  poll(fds.data(), fds.size(), 1000);
  for (size_t i = running.size(); i > 0; --i) {
    Child& child = running[i - 1];
    if (fds[i - 1].revents == 0 || Drain(child)) continue;
    size_t index = child.index;
    ChildOutcome outcome = Reap(child, pool.timeout);
    running.erase(running.begin() + static_cast<long>(i - 1));
    done(index, outcome);
  }
  KillOverdue(running, pool.timeout);
}

}  // namespace

void RunChildren(const ChildPool& pool, const std::vector<std::vector<std::string>>& runs,
                 const std::function<void(size_t, const ChildOutcome&)>& done) {
  std::vector<Child> running;
  size_t next = 0;
  while (next < runs.size() || !running.empty()) {
    while (next < runs.size() && static_cast<int>(running.size()) < pool.jobs) {
      Child child;
      child.index = next;
      if (Spawn(pool.self, runs[next], child)) {
        running.push_back(std::move(child));
      } else {
        done(next, {false, "not started: " + std::string(strerror(errno)), ""});
      }
      ++next;
    }
    PollOnce(pool, running, done);
  }
}

}  // namespace koru::sweep
