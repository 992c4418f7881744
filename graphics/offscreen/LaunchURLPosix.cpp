// Opens a URL with xdg-open, started directly (no shell: the URL is one argument, never
// parsed as a command line).
#include <spawn.h>
#include <sys/wait.h>

#include <thread>

#include "graphics/offscreen/IGraphicsOffscreen.h"

extern char** environ;

bool LaunchURL(const char* url) {
  if (!url || !url[0]) return false;
  char program[] = "xdg-open";
  char* argv[] = {program, const_cast<char*>(url), nullptr};
  pid_t pid = 0;
  if (posix_spawnp(&pid, program, nullptr, nullptr, argv, environ) != 0) return false;
  // xdg-open may run until the viewer has started; reap it in the background so the host is
  // left no zombie and the editor is not held up.
  std::thread([pid] {
    int status = 0;
    waitpid(pid, &status, 0);
  }).detach();
  return true;
}
