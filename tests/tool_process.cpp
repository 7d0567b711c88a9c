#include "tool_process.hpp"

#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <vector>

#include "tool_under_test.hpp"

namespace {

bool BecomeNobody() {
  const gid_t nobody = 65534;
  return ::setgroups(0, nullptr) == 0 && ::setgid(nobody) == 0 && ::setuid(nobody) == 0;
}

// Tells the parent why the tool will not run; the report pipe closes
// unwritten when the tool starts.
[[noreturn]] void GiveUp(int report, const std::string& why) {
  [[maybe_unused]] const ssize_t written = ::write(report, why.data(), why.size());
  ::_exit(126);
}

[[noreturn]] void ExecTool(int in, int out, int err, int report,
                           const std::vector<std::string>& command, const ToolOptions& options) {
  ::setsid();                  // no controlling terminal: the key wait finds no console
  ::signal(SIGPIPE, SIG_DFL);  // as a shell starts it
  ::dup2(in, STDIN_FILENO);
  ::dup2(out, STDOUT_FILENO);
  ::dup2(err, STDERR_FILENO);
  if (!options.workingDirectory.empty() && ::chdir(options.workingDirectory.c_str()) != 0) {
    ::_exit(127);
  }
  if (options.unprivileged && ::geteuid() == 0 && !BecomeNobody()) {
    GiveUp(report, "cannot become the unprivileged user 'nobody' here");
  }
  std::vector<char*> argv;
  for (const std::string& word : command) argv.push_back(const_cast<char*>(word.c_str()));
  argv.push_back(nullptr);
  ::execvp(argv[0], argv.data());
  ::_exit(127);
}

// As root, the unprivileged run starts a copy of the tool in the working
// directory, which nobody can reach whatever the modes of the folders above.
std::vector<std::string> CommandFor(const ToolOptions& options) {
  std::vector<std::string> command = options.command.empty() ? Tool().command : options.command;
  command.insert(command.end(), options.arguments.begin(), options.arguments.end());
  if (!options.unprivileged || ::geteuid() != 0 || options.workingDirectory.empty()) {
    return command;
  }
  const std::filesystem::path tool = command.front();
  std::error_code failed;
  std::filesystem::copy_file(tool,
                             std::filesystem::path(options.workingDirectory) / tool.filename(),
                             std::filesystem::copy_options::overwrite_existing, failed);
  command.front() = "./" + tool.filename().string();
  return command;
}

// Feeds the input and collects both outputs at once, so that neither side
// can block the other whatever the sizes.
void Exchange(int in, int out, int err, const std::string& input, bool keepInputOpen,
              ToolRun& run) {
  std::size_t written = 0;
  if (input.empty() && !keepInputOpen) {
    ::close(in);
    in = -1;
  }
  while (out >= 0 || err >= 0) {
    const int pending = written < input.size() ? in : -1;  // negative ones are not polled
    pollfd fds[3] = {{out, POLLIN, 0}, {err, POLLIN, 0}, {pending, POLLOUT, 0}};
    if (::poll(fds, 3, -1) < 0 && errno != EINTR) break;
    char buffer[4096];
    int* readable[2] = {&out, &err};
    std::string* sinks[2] = {&run.output, &run.errors};
    for (int i = 0; i < 2; ++i) {
      if (*readable[i] < 0 || fds[i].revents == 0) continue;
      const ssize_t count = ::read(*readable[i], buffer, sizeof buffer);
      if (count > 0) {
        sinks[i]->append(buffer, static_cast<std::size_t>(count));
      } else {
        ::close(*readable[i]);
        *readable[i] = -1;
      }
    }
    if (pending >= 0 && fds[2].revents != 0) {
      const ssize_t count = ::write(in, input.data() + written, input.size() - written);
      if (count > 0) written += static_cast<std::size_t>(count);
      if (count <= 0 || (written == input.size() && !keepInputOpen)) {
        ::close(in);
        in = -1;
      }
    }
  }
  if (in >= 0) ::close(in);
}

// Kept from the tool, which gets only its three standard streams.
bool MakePipe(int ends[2]) {
  return ::pipe(ends) == 0 && ::fcntl(ends[0], F_SETFD, FD_CLOEXEC) == 0 &&
         ::fcntl(ends[1], F_SETFD, FD_CLOEXEC) == 0;
}

}  // namespace

// The tool may stop reading before all is written: SIGPIPE is ignored
// meanwhile, and only here, never in a tool that another test starts.
class SigpipeIgnored {
 public:
  SigpipeIgnored() {
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    ::sigaction(SIGPIPE, &ignore, &previous_);
  }
  SigpipeIgnored(const SigpipeIgnored&) = delete;
  SigpipeIgnored& operator=(const SigpipeIgnored&) = delete;
  ~SigpipeIgnored() { ::sigaction(SIGPIPE, &previous_, nullptr); }

 private:
  struct sigaction previous_ {};
};

ToolRun RunToolPiped(const std::string& input, const ToolOptions& options) {
  const SigpipeIgnored whileWriting;
  const std::vector<std::string> command = CommandFor(options);
  int in[2], out[2], err[2], report[2];
  ToolRun run;
  if (!MakePipe(in) || !MakePipe(out) || !MakePipe(err) || !MakePipe(report)) return run;
  const pid_t child = ::fork();
  if (child == 0) ExecTool(in[0], out[1], err[1], report[1], command, options);
  ::close(in[0]);
  ::close(out[1]);
  ::close(err[1]);
  ::close(report[1]);
  char why[256];
  ssize_t count;
  while ((count = ::read(report[0], why, sizeof why)) > 0) {
    run.notRun.append(why, static_cast<std::size_t>(count));
  }
  ::close(report[0]);
  Exchange(in[1], out[0], err[0], input, options.inputStaysOpen, run);
  int status = 0;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  if (WIFEXITED(status)) run.exitStatus = WEXITSTATUS(status);
  return run;
}
