#include "shell/platform.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace {

constexpr const char* kLockName = "Numora.lock";

int lockFd = -1;

std::string& ProgramPath() {
  static std::string path;
  return path;
}

void RemoveLock() {
  if (lockFd < 0) return;
  // Removed while still held, so that no other process can take a file that
  // is about to disappear (the taker checks that its file is still the one
  // named), and only when the name is still ours.
  struct stat held, named;
  if (fstat(lockFd, &held) == 0 && stat(kLockName, &named) == 0 && held.st_ino == named.st_ino &&
      held.st_dev == named.st_dev)
    unlink(kLockName);
  close(lockFd);
  lockFd = -1;
}

// What the signal handler reads: plain arrays and flags, which it can use
// whatever the program was doing when the signal came.
constexpr int kCleanupFiles = 256;
constexpr int kCleanupNameSize = 256;
char cleanupNames[kCleanupFiles][kCleanupNameSize];
volatile sig_atomic_t cleanupCount = 0;
volatile sig_atomic_t deferStop = 0;
volatile sig_atomic_t stopRequested = 0;

void Say(const char* text) {
  if (write(STDOUT_FILENO, text, std::strlen(text)) < 0) {
    // Nothing to be done about a console that cannot be written.
  }
}

void OnStopSignal(int sig) {
  if (deferStop != 0 && stopRequested == 0) {
    stopRequested = 1;
    Say("\nStop requested: the computation stops and saves its state at the end of the\n"
        "current step (press Ctrl-C again to end it at once).\n");
    return;
  }
  for (int i = 0; i < cleanupCount; i++) unlink(cleanupNames[i]);
  // Still held: no other process can have taken the name.
  if (lockFd >= 0) unlink(kLockName);
  // Ended by the signal itself, so that the shell sees how the program ended.
  signal(sig, SIG_DFL);
  raise(sig);
}

}  // namespace

bool SyncFile(const std::string& name) {
  const int fd = open(name.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool ok = fsync(fd) == 0;
  return close(fd) == 0 && ok;
}

bool SyncDirectory(const std::string& name) {
  const int fd = open(name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool ok = fsync(fd) == 0;
  return close(fd) == 0 && ok;
}

void InstallStopSignals() {
  struct sigaction action = {};
  action.sa_handler = OnStopSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}

void SetSignalCleanupFiles(const std::vector<std::string>& names) {
  // The count is 0 while the table changes: a signal then removes nothing
  // rather than a name half written.
  cleanupCount = 0;
  int n = 0;
  for (const std::string& name : names) {
    if (n == kCleanupFiles || name.size() >= kCleanupNameSize) continue;
    std::memcpy(cleanupNames[n++], name.c_str(), name.size() + 1);
  }
  cleanupCount = n;
}

bool StopRequested() { return stopRequested != 0; }

DeferredStop::DeferredStop() { deferStop = 1; }

DeferredStop::~DeferredStop() { deferStop = 0; }

void TestFault(const char* point) {
  struct Fault {
    std::string action, point;
    long nth = 1, passed = 0;
  };
  static Fault* fault = [] {
    const char* request = std::getenv("NUMORA_TEST_FAULT");
    if (request == nullptr) return static_cast<Fault*>(nullptr);
    auto* f = new Fault;
    const std::string s = request;
    const size_t a = s.find(':'), b = s.find(':', a == std::string::npos ? a : a + 1);
    f->action = s.substr(0, a);
    if (a != std::string::npos) f->point = s.substr(a + 1, b == std::string::npos ? b : b - a - 1);
    if (b != std::string::npos) f->nth = std::atol(s.c_str() + b + 1);
    return f;
  }();
  if (fault == nullptr || fault->point != point || ++fault->passed != fault->nth) return;
  std::fflush(stdout);
  if (fault->action == "kill") kill(getpid(), SIGKILL);
  if (fault->action == "int" || fault->action == "int2") raise(SIGINT);
  if (fault->action == "int2") raise(SIGINT);
}

bool StdoutIsTerminal() { return isatty(STDOUT_FILENO) == 1; }

double PhysicalMemoryBytes() {
  if (const char* fake = std::getenv("NUMORA_PHYSICAL_MEMORY")) {
    char* end = nullptr;
    const double bytes = std::strtod(fake, &end);
    if (end != fake && *end == '\0' && bytes > 0 && bytes < 1e30) return bytes;
  }
  const long pages = sysconf(_SC_PHYS_PAGES), size = sysconf(_SC_PAGE_SIZE);
  if (pages <= 0 || size <= 0) return 0;
  return static_cast<double>(pages) * static_cast<double>(size);
}

void SetProgramPath(const char* argv0) { ProgramPath() = argv0 != nullptr ? argv0 : ""; }

std::string ProgramDirectory() {
  std::error_code ec;
  std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) {
    if (ProgramPath().find('/') == std::string::npos) return "";
    self = std::filesystem::absolute(ProgramPath(), ec);
    if (ec) return "";
  }
  return self.parent_path().string();
}

std::string FindHelpFile() {
  std::error_code ec;
  if (std::filesystem::is_regular_file("help.txt", ec))
    return std::filesystem::absolute("help.txt", ec).string();
  const std::string dir = ProgramDirectory();
  if (!dir.empty() && std::filesystem::is_regular_file(dir + "/help.txt", ec))
    return dir + "/help.txt";
  return "";
}

bool LockWorkingDirectory(long* holder) {
  if (lockFd >= 0) return true;
  for (int attempt = 0; attempt < 10; attempt++) {
    int fd = open(kLockName, O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) return true;  // a read-only directory: the run reports it when it writes
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
      char text[32] = {};
      *holder = pread(fd, text, sizeof text - 1, 0) > 0 ? std::atol(text) : 0;
      close(fd);
      return false;
    }
    // The holder before us may have removed the file between our open and our lock.
    struct stat opened, named;
    if (fstat(fd, &opened) != 0 || stat(kLockName, &named) != 0 || opened.st_ino != named.st_ino ||
        opened.st_dev != named.st_dev) {
      close(fd);
      continue;
    }
    char text[32];
    const int n = std::snprintf(text, sizeof text, "%ld\n", static_cast<long>(getpid()));
    if (ftruncate(fd, 0) != 0 || pwrite(fd, text, n, 0) != n) {
      // The process id is only for the message of another run; the lock holds without it.
    }
    lockFd = fd;
    std::atexit(RemoveLock);
    return true;
  }
  return true;
}
