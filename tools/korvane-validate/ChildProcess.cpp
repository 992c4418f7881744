#include "tools/korvane-validate/ChildProcess.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <thread>

#if defined(_WIN32)
#include <windows.h>
#else
#include <signal.h>
#include <string.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#if defined(_WIN32)

namespace {

std::string Quote(const std::string& argument) {
  if (!argument.empty() && argument.find_first_of(" \t\"") == std::string::npos) return argument;
  // The C runtime's rules: backslashes are literal unless they precede a quote.
  std::string quoted = "\"";
  size_t backslashes = 0;
  for (char c : argument) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    if (c == '"')
      quoted.append(backslashes * 2 + 1, '\\');
    else
      quoted.append(backslashes, '\\');
    backslashes = 0;
    quoted += c;
  }
  quoted.append(backslashes * 2, '\\');
  return quoted + "\"";
}

const char* ExceptionName(DWORD code) {
  switch (code) {
    case 0xC0000005:
      return "access violation";
    case 0xC00000FD:
      return "stack overflow";
    case 0xC0000094:
      return "integer division by zero";
    case 0xC000001D:
      return "illegal instruction";
    case 0x80000003:
      return "breakpoint";
    case 0xC0000409:
      return "stack buffer overrun";
    case 0xC0000374:
      return "heap corruption";
    case 0xC0000096:
      return "privileged instruction";
    default:
      return nullptr;
  }
}

}  // namespace

unsigned long ProcessId() {
  return GetCurrentProcessId();
}

ChildOutcome RunChild(const std::vector<std::string>& arguments, double timeoutSeconds) {
  ChildOutcome outcome;
  char self[MAX_PATH * 4];
  const DWORD length = GetModuleFileNameA(nullptr, self, sizeof self);
  if (length == 0 || length >= sizeof self) {
    outcome.description = "its own path is unknown";
    return outcome;
  }
  std::string commandLine = Quote(self);
  for (const std::string& argument : arguments) commandLine += " " + Quote(argument);
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = GetStdHandle(STD_ERROR_HANDLE);
  startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  PROCESS_INFORMATION process{};
  std::vector<char> line(commandLine.begin(), commandLine.end());
  line.push_back('\0');
  if (!CreateProcessA(self, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                      &process)) {
    outcome.description = "CreateProcess failed with error " + std::to_string(GetLastError());
    return outcome;
  }
  const DWORD waited =
      WaitForSingleObject(process.hProcess, static_cast<DWORD>(timeoutSeconds * 1000.0));
  if (waited == WAIT_TIMEOUT) {
    TerminateProcess(process.hProcess, 1);
    WaitForSingleObject(process.hProcess, INFINITE);
    outcome.kind = ChildOutcome::Kind::TimedOut;
  } else {
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    outcome.code = static_cast<int>(code);
    const char* name = ExceptionName(code);
    if (name || code >= 0xC0000000u) {
      char text[96];
      std::snprintf(text, sizeof text, "exception 0x%08lx (%s)", static_cast<unsigned long>(code),
                    name ? name : "unknown");
      outcome.kind = ChildOutcome::Kind::Crashed;
      outcome.description = text;
    } else {
      outcome.kind = ChildOutcome::Kind::Exited;
    }
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return outcome;
}

#else

unsigned long ProcessId() {
  return static_cast<unsigned long>(getpid());
}

ChildOutcome RunChild(const std::vector<std::string>& arguments, double timeoutSeconds) {
  ChildOutcome outcome;
  char self[4096];
  const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
  if (length <= 0) {
    outcome.description = "its own path is unknown";
    return outcome;
  }
  self[length] = '\0';
  std::vector<char*> argv;
  argv.push_back(self);
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  std::fflush(nullptr);
  const pid_t pid = fork();
  if (pid < 0) {
    outcome.description = std::string("fork failed: ") + strerror(errno);
    return outcome;
  }
  if (pid == 0) {
    // Its own process group, so that a timeout ends whatever the module started too.
    setpgid(0, 0);
    dup2(STDERR_FILENO, STDOUT_FILENO);
    execv(self, argv.data());
    _exit(127);
  }
  setpgid(pid, pid);
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::duration<double>(timeoutSeconds);
  int status = 0;
  for (;;) {
    const pid_t done = waitpid(pid, &status, WNOHANG);
    if (done == pid) break;
    if (done < 0 && errno != EINTR) {
      outcome.description = std::string("waitpid failed: ") + strerror(errno);
      return outcome;
    }
    if (std::chrono::steady_clock::now() >= deadline) {
      kill(-pid, SIGKILL);
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      outcome.kind = ChildOutcome::Kind::TimedOut;
      return outcome;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  // Helpers the module left behind in the child's group end with it.
  kill(-pid, SIGKILL);
  if (WIFSIGNALED(status)) {
    const int signal = WTERMSIG(status);
    outcome.kind = ChildOutcome::Kind::Crashed;
    outcome.code = signal;
    const char* abbreviation = sigabbrev_np(signal);
    outcome.description = std::string(abbreviation ? "SIG" + std::string(abbreviation)
                                                   : "signal " + std::to_string(signal)) +
                          " (" + strsignal(signal) + ")";
  } else {
    outcome.kind = ChildOutcome::Kind::Exited;
    outcome.code = WEXITSTATUS(status);
  }
  return outcome;
}

#endif
