// The POSIX side: the arguments as they come, the playlist to the desktop's
// opener, and the ending signals.
#include <fcntl.h>
#include <spawn.h>
#include <unistd.h>

#include <csignal>
#include <cstring>

#include "platform/console.h"
#include "platform/platform.h"

extern char** environ;

namespace {

#ifdef __APPLE__
const char kOpener[] = "open";
#else
const char kOpener[] = "xdg-open";
#endif

}  // namespace

std::vector<std::string> Arguments(int argc, char** argv) {
  return std::vector<std::string>(argv, argv + argc);
}

bool OpenPlaylist(const std::string& name, std::string* err) {
  FlushOutput();
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  // The opener's own chatter must not mix into ours.
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, 1, 2);
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  // Its own process group, so a Ctrl-C in this terminal later spares the player.
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
  posix_spawnattr_setpgroup(&attributes, 0);
  std::string opener = kOpener;
  std::string file = name;
  char* argv[] = {opener.data(), file.data(), nullptr};
  pid_t pid;
  int error = posix_spawnp(&pid, kOpener, &actions, &attributes, argv, environ);
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&actions);
  if (error == 0) return true;
  *err = std::string("Cannot start ") + kOpener + " to open " + name + " (" +
         std::strerror(error) + ")";
  return false;
}

void CatchEndingSignals(void (*handler)(int signal)) {
  for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGPIPE}) {
    struct sigaction now;
    if (sigaction(signal, nullptr, &now) != 0 || now.sa_handler == SIG_IGN) continue;
    struct sigaction catching = {};
    catching.sa_handler = handler;
    sigemptyset(&catching.sa_mask);
    catching.sa_flags = SA_RESTART;
    sigaction(signal, &catching, nullptr);
  }
}

void EndBySignal(int signal) {
  std::signal(signal, SIG_DFL);
  std::raise(signal);
  // A signal blocked here ends the process when the handler returns; until
  // then, nothing more may happen.
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, signal);
  sigprocmask(SIG_UNBLOCK, &set, nullptr);
  _exit(128 + signal);
}
