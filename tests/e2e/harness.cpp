#include "e2e/harness.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

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

RunResult Scratch::Run(const std::string& input, int timeoutSeconds) const {
  const std::string in = Path(".stdin"), out = Path(".stdout");
  Write(".stdin", input);
  pid_t pid = fork();
  if (pid == 0) {
    if (chdir(dir_.c_str()) != 0) _exit(126);
    int fin = open(in.c_str(), O_RDONLY);
    int fout = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fin < 0 || fout < 0) _exit(126);
    dup2(fin, 0);
    dup2(fout, 1);
    dup2(fout, 2);
    execl(NUMORA_BINARY, "numora", static_cast<char*>(nullptr));
    _exit(127);
  }
  RunResult result;
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeoutSeconds);
  int status = 0;
  for (;;) {
    pid_t done = waitpid(pid, &status, WNOHANG);
    if (done == pid) break;
    if (std::chrono::steady_clock::now() > deadline) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      result.timedOut = true;
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  if (!result.timedOut && WIFEXITED(status)) result.status = WEXITSTATUS(status);
  result.out = Read(".stdout");
  fs::remove(in);
  fs::remove(out);
  return result;
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

int Count(const std::string& text, const std::string& needle) {
  int n = 0;
  for (size_t p = text.find(needle); p != std::string::npos; p = text.find(needle, p + 1)) n++;
  return n;
}

}  // namespace e2e
