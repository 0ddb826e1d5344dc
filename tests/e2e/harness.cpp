#include "e2e/harness.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>
#include <vector>

namespace e2e {

namespace fs = std::filesystem;

Scratch::Scratch() {
  std::string tmpl = (fs::temp_directory_path() / "numora-e2e-XXXXXX").string();
  if (mkdtemp(tmpl.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  dir_ = tmpl;
}

Scratch::~Scratch() {
  std::error_code ec;
  fs::remove_all(dir_, ec);
}

bool Scratch::Exists(const std::string& file) const { return fs::exists(Path(file)); }

std::string Scratch::Read(const std::string& file) const {
  std::ifstream in(Path(file), std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

void Scratch::Write(const std::string& file, const std::string& content) const {
  std::ofstream out(Path(file), std::ios::binary);
  out << content;
}

namespace {

// argv of the program: "numora" and the arguments.
std::vector<char*> Argv(const std::vector<std::string>& args) {
  std::vector<char*> argv{const_cast<char*>("numora")};
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  return argv;
}

// Waits for the child; kills it at the deadline.
void Wait(pid_t pid, int timeoutSeconds, RunResult& result) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeoutSeconds);
  int status = 0;
  rusage usage{};
  for (;;) {
    pid_t done = wait4(pid, &status, WNOHANG, &usage);
    if (done == pid) {
      result.peakKB = usage.ru_maxrss;
      break;
    }
    if (std::chrono::steady_clock::now() > deadline) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      result.timedOut = true;
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  if (!result.timedOut && WIFEXITED(status)) result.status = WEXITSTATUS(status);
  if (!result.timedOut && WIFSIGNALED(status)) result.signal = WTERMSIG(status);
}

}  // namespace

RunResult Scratch::Run(const std::string& input, int timeoutSeconds) const {
  return RunWith({}, input, 0, timeoutSeconds);
}

RunResult Scratch::RunWith(const std::vector<std::string>& args, const std::string& input,
                           long fileSizeLimit, int timeoutSeconds, long memoryLimit) const {
  return Exec(args, input, fileSizeLimit, timeoutSeconds, memoryLimit, "");
}

RunResult Scratch::RunFault(const std::string& fault, const std::string& input) const {
  return Exec({}, input, 0, 120, 0, fault);
}

int Scratch::Start(const std::vector<std::string>& args) const {
  std::vector<char*> argv = Argv(args);
  pid_t pid = fork();
  if (pid == 0) {
    if (chdir(dir_.c_str()) != 0) _exit(126);
    int null = open("/dev/null", O_RDWR);
    dup2(null, 0);
    dup2(null, 1);
    dup2(null, 2);
    execv(NUMORA_BINARY, argv.data());
    _exit(127);
  }
  return pid;
}

RunResult Scratch::Finish(int pid, int timeoutSeconds) {
  RunResult result;
  Wait(pid, timeoutSeconds, result);
  return result;
}

RunResult Scratch::Exec(const std::vector<std::string>& args, const std::string& input,
                        long fileSizeLimit, int timeoutSeconds, long memoryLimit,
                        const std::string& fault) const {
  const std::string in = Path(".stdin"), out = Path(".stdout"), err = Path(".stderr");
  Write(".stdin", input);
  std::vector<char*> argv = Argv(args);
  pid_t pid = fork();
  if (pid == 0) {
    if (chdir(dir_.c_str()) != 0) _exit(126);
    int fin = open(in.c_str(), O_RDONLY);
    int fout = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    int ferr = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fin < 0 || fout < 0 || ferr < 0) _exit(126);
    dup2(fin, 0);
    dup2(fout, 1);
    dup2(ferr, 2);
    if (fileSizeLimit > 0) {
      // Writes past the limit then fail with EFBIG instead of raising SIGXFSZ.
      signal(SIGXFSZ, SIG_IGN);
      rlimit limit{static_cast<rlim_t>(fileSizeLimit), static_cast<rlim_t>(fileSizeLimit)};
      setrlimit(RLIMIT_FSIZE, &limit);
    }
    if (memoryLimit > 0) {
      rlimit limit{static_cast<rlim_t>(memoryLimit), static_cast<rlim_t>(memoryLimit)};
      setrlimit(RLIMIT_AS, &limit);
    }
    if (!fault.empty()) setenv("NUMORA_TEST_FAULT", fault.c_str(), 1);
    execv(NUMORA_BINARY, argv.data());
    _exit(127);
  }
  RunResult result;
  Wait(pid, timeoutSeconds, result);
  result.out = Read(".stdout");
  result.err = Read(".stderr");
  fs::remove(in);
  fs::remove(out);
  fs::remove(err);
  return result;
}

RunResult Scratch::RunInTerminal(const std::vector<std::string>& args, int timeoutSeconds) const {
  int master = posix_openpt(O_RDWR | O_NOCTTY);
  if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0)
    throw std::runtime_error("no pseudo-terminal");
  const std::string slave = ptsname(master);
  std::vector<char*> argv = Argv(args);
  pid_t pid = fork();
  if (pid == 0) {
    setsid();
    int tty = open(slave.c_str(), O_RDWR);
    if (tty < 0 || chdir(dir_.c_str()) != 0) _exit(126);
    dup2(tty, 0);
    dup2(tty, 1);
    dup2(tty, 2);
    close(master);
    execv(NUMORA_BINARY, argv.data());
    _exit(127);
  }
  RunResult result;
  // The terminal is read while the program runs: a full terminal would block it.
  fcntl(master, F_SETFL, O_NONBLOCK);
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeoutSeconds);
  int status = 0;
  for (;;) {
    char buffer[4096];
    ssize_t n;
    while ((n = read(master, buffer, sizeof buffer)) > 0) result.out.append(buffer, n);
    pid_t done = waitpid(pid, &status, WNOHANG);
    if (done == pid) {
      while ((n = read(master, buffer, sizeof buffer)) > 0) result.out.append(buffer, n);
      break;
    }
    if (std::chrono::steady_clock::now() > deadline) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      result.timedOut = true;
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  close(master);
  if (!result.timedOut && WIFEXITED(status)) result.status = WEXITSTATUS(status);
  return result;
}

Scratch::Waiting Scratch::StartWaiting(const std::string& input) const {
  int fds[2];
  if (pipe(fds) != 0) throw std::runtime_error("pipe failed");
  pid_t pid = fork();
  if (pid == 0) {
    if (chdir(dir_.c_str()) != 0) _exit(126);
    int null = open("/dev/null", O_WRONLY);
    dup2(fds[0], 0);
    dup2(null, 1);
    dup2(null, 2);
    close(fds[1]);
    execl(NUMORA_BINARY, "numora", static_cast<char*>(nullptr));
    _exit(127);
  }
  close(fds[0]);
  if (write(fds[1], input.data(), input.size()) != static_cast<ssize_t>(input.size()))
    throw std::runtime_error("write failed");
  return Waiting{pid, fds[1]};
}

void Scratch::Kill(Waiting& run) {
  kill(run.pid, SIGKILL);
  int status;
  waitpid(run.pid, &status, 0);
  close(run.input);
  run.pid = -1;
}

std::string ResultDigits(const std::string& resultFile, const std::string& name) {
  const std::string marker = name + " = ";
  size_t p = resultFile.find(marker);
  if (p == std::string::npos) return "";
  p = resultFile.find(".\n", p);
  if (p == std::string::npos) return "";
  std::string digits;
  // Digits of each line stop at the counter " : n".
  for (size_t i = p + 2; i < resultFile.size();) {
    size_t eol = resultFile.find('\n', i);
    if (eol == std::string::npos) eol = resultFile.size();
    std::string line = resultFile.substr(i, eol - i);
    size_t colon = line.find(':');
    if (colon != std::string::npos) line.resize(colon);
    for (char c : line)
      if (c >= '0' && c <= '9') digits.push_back(c);
    i = eol + 1;
  }
  return digits;
}

std::vector<std::string> Files(const Scratch& s) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(s.Dir()))
    names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

const std::string kPiDigits =
    "1415926535897932384626433832795028841971693993751058209749445923078164062862089986280348253421"
    "1706798214808651328230664709384460955058223172535940812848111745028410270193852110555964462294"
    "8954930381964428810975665933446128475648233786783165271201909145648566923460348610454326648213"
    "393607260249141273";
const std::string kEDigits =
    "718281828459045235360287471352662497757247093699959574966967627724076630353547594571"
    "382178525166427427466391932003059921817413596629043572900334295260595630738132328627"
    "943490763233829880753195251019011573834187930702154089149934884167509244761460668082"
    "264800168477411853742345442437107539077744992069";

int Count(const std::string& text, const std::string& needle) {
  int n = 0;
  for (size_t p = text.find(needle); p != std::string::npos; p = text.find(needle, p + 1)) n++;
  return n;
}

}  // namespace e2e
