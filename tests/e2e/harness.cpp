#include "e2e/harness.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>
#include <vector>

#include "reference/refnum.h"

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

bool Scratch::WaitFor(const std::string& file) const {
  for (int i = 0; i < 2000 && Read(file).empty(); i++)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  return !Read(file).empty();
}

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

// Waits for the child, reading the terminal `tty` when there is one; kills it
// at the deadline.
void Wait(pid_t pid, int timeoutSeconds, RunResult& result, int tty = -1) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeoutSeconds);
  int status = 0;
  rusage usage{};
  char buffer[4096];
  // The terminal is read while the program runs: a full terminal would block it.
  const auto drain = [&] {
    for (ssize_t n; tty >= 0 && (n = read(tty, buffer, sizeof buffer)) > 0;)
      result.out.append(buffer, n);
  };
  for (;;) {
    drain();
    if (wait4(pid, &status, WNOHANG, &usage) == pid) {
      drain();
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

int Scratch::Spawn(const std::vector<std::string>& args, int in, int out, int err,
                   long fileSizeLimit, long memoryLimit, const std::string& fault) const {
  std::vector<char*> argv{const_cast<char*>("numora")};
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  pid_t pid = fork();
  if (pid != 0) return pid;
  if (chdir(dir_.c_str()) != 0) _exit(126);
  const int null = open("/dev/null", O_RDWR);
  dup2(in < 0 ? null : in, 0);
  dup2(out < 0 ? null : out, 1);
  dup2(err < 0 ? null : err, 2);
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

RunResult Scratch::Run(const std::string& input, int timeoutSeconds) const {
  return RunWith({}, input, 0, timeoutSeconds);
}

RunResult Scratch::RunWith(const std::vector<std::string>& args, const std::string& input,
                           long fileSizeLimit, int timeoutSeconds, long memoryLimit,
                           const std::string& fault) const {
  Write(".stdin", input);
  const int in = open(Path(".stdin").c_str(), O_RDONLY);
  const int out = open(Path(".stdout").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  const int err = open(Path(".stderr").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (in < 0 || out < 0 || err < 0) throw std::runtime_error("cannot open the run's files");
  RunResult result;
  Wait(Spawn(args, in, out, err, fileSizeLimit, memoryLimit, fault), timeoutSeconds, result);
  for (int fd : {in, out, err}) close(fd);
  result.out = Read(".stdout");
  result.err = Read(".stderr");
  for (const char* f : {".stdin", ".stdout", ".stderr"}) fs::remove(Path(f));
  return result;
}

RunResult Scratch::RunInTerminal(const std::vector<std::string>& args, int timeoutSeconds) const {
  const int master = posix_openpt(O_RDWR | O_NOCTTY);
  if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0)
    throw std::runtime_error("no pseudo-terminal");
  const int tty = open(ptsname(master), O_RDWR | O_NOCTTY);
  fcntl(master, F_SETFL, O_NONBLOCK);
  const int pid = Spawn(args, tty, tty, tty);
  close(tty);  // the child holds the terminal: reads end when it has gone
  RunResult result;
  Wait(pid, timeoutSeconds, result, master);
  close(master);
  return result;
}

Scratch::Started Scratch::Start(const std::vector<std::string>& args,
                                const std::string& input) const {
  int fds[2];
  if (pipe(fds) != 0) throw std::runtime_error("pipe failed");
  fcntl(fds[1], F_SETFD, FD_CLOEXEC);  // the child must not hold its own input open
  const int pid = Spawn(args, fds[0], -1, -1);
  close(fds[0]);
  if (write(fds[1], input.data(), input.size()) != static_cast<ssize_t>(input.size()))
    throw std::runtime_error("write failed");
  return Started{pid, fds[1]};
}

RunResult Scratch::Finish(Started& run, int signal, int timeoutSeconds) {
  if (signal != 0) kill(run.pid, signal);
  close(run.input);
  RunResult result;
  Wait(run.pid, timeoutSeconds, result);
  run.pid = -1;
  return result;
}

std::string Answers(int entry, int mode, long digits, long fftK, int compressed) {
  return std::to_string(entry) + "\n" + std::to_string(mode) + "\n" + std::to_string(digits) +
         "\n" + std::to_string(fftK) + "\n" + std::to_string(compressed) + "\n";
}

std::string ResultDigits(const std::string& resultFile, const std::string& name) {
  size_t p = resultFile.find(name + " = ");
  if (p == std::string::npos || (p = resultFile.find(".\n", p)) == std::string::npos) return "";
  std::string digits;
  bool counter = false;  // the digits of each line stop at its counter " : n"
  for (const char c : resultFile.substr(p + 2)) {
    if (c == ':' || c == '\n') counter = c == ':';
    if (!counter && c >= '0' && c <= '9') digits.push_back(c);
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

bool Has(const std::string& text, const std::string& needle) {
  return text.find(needle) != std::string::npos;
}

std::vector<std::string> Records(const Scratch& s) {
  std::vector<std::string> r;
  const std::string text = s.Read("ParamNumora");
  for (size_t p = 0, e; (e = text.find('\n', p)) != std::string::npos; p = e + 1)
    r.push_back(text.substr(p, e - p));
  return r;
}

const Constant kPi{0, 1, "pi.txt", "Pi", kPiDigits}, kPiRamanujan{1, 0, "pi.txt", "Pi", kPiDigits},
    kE{2, 3, "e.txt", "E", kEDigits}, kEAlternating{3, 2, "e.txt", "E", kEDigits};

const std::string& OtherSeries(const Constant& c, long digits) {
  static std::map<std::pair<int, long>, std::string> cache;
  std::string& d = cache[{c.other, digits}];
  if (d.empty()) {
    Scratch s;
    s.Run(Answers(c.other, 0, digits, 1));
    d = ResultDigits(s.Read(c.file), c.name);
  }
  return d;
}

void ExpectFinished(const Scratch& s, const Constant& c, const RunResult& r, long digits) {
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_TRUE(Has(r.out, "The computation seems OK\n")) << r.out;
  // No step number, residue file or saved state left behind.
  EXPECT_EQ(Files(s), std::vector<std::string>{c.file});
  const std::string d = ResultDigits(s.Read(c.file), c.name);
  EXPECT_EQ(d.substr(0, c.known.size()), c.known);
  // A fault in a late step only shows in the last digits.
  EXPECT_TRUE(d == OtherSeries(c, digits)) << "the digits differ from the other series'";
}

void ExpectSqrt2Digits(const std::string& digits, long D) {
  // X = "1" and the digits: X^2 <= 2 10^(2D) < (X + 1)^2.
  ASSERT_EQ(static_cast<long>(digits.size()), D);
  const ref::Digits x = ref::FromDecimal("1" + digits, 9);
  const ref::Digits x1 = ref::Add(x, ref::Digits{1}, 9);
  const ref::Digits two = ref::FromDecimal("2" + std::string(2 * D, '0'), 9);
  EXPECT_LE(ref::Compare(ref::Mul(x, x, 9), two), 0) << D;
  EXPECT_GT(ref::Compare(ref::Mul(x1, x1, 9), two), 0) << D;
}

}  // namespace e2e
