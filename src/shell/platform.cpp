#include "shell/platform.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace {

constexpr const char* kLockName = "Numora.lock";

std::string& ProgramPath() {
  static std::string path;
  return path;
}

int lockFd = -1;

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

}  // namespace

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
