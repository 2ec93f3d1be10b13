#include "IsolatedRun.h"

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <sstream>

namespace nalto::modhost {

namespace {

constexpr size_t kStderrKept = 4000;

void writeAll(int descriptor, const std::string& text) {
  size_t done = 0;
  while (done < text.size()) {
    const ssize_t written = write(descriptor, text.data() + done, text.size() - done);
    if (written <= 0) return;
    done += static_cast<size_t>(written);
  }
}

std::vector<CheckResult> failedAll(const std::vector<std::string>& ids, const std::string& reason) {
  std::vector<CheckResult> results;
  for (const std::string& id : ids) {
    results.emplace_back(id);
    results.back().fail(reason);
  }
  return results;
}

[[noreturn]] void runChild(const std::vector<std::string>& ids,
                           const std::function<std::vector<CheckResult>()>& checks,
                           int resultPipe) {
  std::vector<CheckResult> results;
  try {
    results = checks();
  } catch (const std::exception& error) {
    results = failedAll(ids, std::string("the check stopped on an exception: ") + error.what());
  }
  nlohmann::json json = nlohmann::json::array();
  for (const CheckResult& result : results) json.push_back(result.toJson());
  const std::string text = json.dump();
  writeAll(resultPipe, text);
  close(resultPipe);
  _exit(0);
}

// Reads both pipes until they close or the time is up; false on timeout.
bool collect(int resultPipe, int errorPipe, int timeoutSeconds, std::string& result,
             std::string& errors) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeoutSeconds);
  pollfd pipes[2] = {{resultPipe, POLLIN, 0}, {errorPipe, POLLIN, 0}};
  std::string* sinks[2] = {&result, &errors};
  int open = 2;
  while (open > 0) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return false;
    if (poll(pipes, 2, static_cast<int>(left.count())) < 0) continue;
    for (int i = 0; i < 2; ++i) {
      if (pipes[i].fd < 0 || pipes[i].revents == 0) continue;
      char chunk[4096];
      const ssize_t got = read(pipes[i].fd, chunk, sizeof chunk);
      if (got > 0) {
        sinks[i]->append(chunk, static_cast<size_t>(got));
        if (i == 1 && errors.size() > 4 * kStderrKept) errors.erase(0, errors.size() - kStderrKept);
      } else {
        pipes[i].fd = -1;
        --open;
      }
    }
  }
  return true;
}

// The lines of a child's error output that say what went wrong, such as a sanitizer's report.
std::string errorSummary(const std::string& errors) {
  std::istringstream lines(errors);
  std::string line;
  std::string summary;
  while (std::getline(lines, line)) {
    if (line.find("ERROR") != std::string::npos || line.find("SUMMARY") != std::string::npos ||
        line.find("runtime error") != std::string::npos) {
      summary += (summary.empty() ? "" : " | ") + line;
    }
  }
  if (summary.empty() && !errors.empty())
    summary = errors.substr(errors.size() > 300 ? errors.size() - 300 : 0);
  return summary;
}

std::string endingOf(int status) {
  if (WIFSIGNALED(status))
    return std::string("the module crashed: ") + strsignal(WTERMSIG(status)) + " (signal " +
           std::to_string(WTERMSIG(status)) + ")";
  return "the check's process ended with exit code " + std::to_string(WEXITSTATUS(status)) +
         " and no result";
}

}  // namespace

std::vector<CheckResult> runIsolated(const std::vector<std::string>& ids,
                                     const std::function<std::vector<CheckResult>()>& checks,
                                     int timeoutSeconds) {
  int resultPipe[2];
  int errorPipe[2];
  if (pipe(resultPipe) != 0 || pipe(errorPipe) != 0)
    return failedAll(ids, "cannot make a pipe for the check's process");
  const pid_t child = fork();
  if (child == 0) {
    close(resultPipe[0]);
    close(errorPipe[0]);
    dup2(errorPipe[1], STDERR_FILENO);
    close(errorPipe[1]);
    runChild(ids, checks, resultPipe[1]);
  }
  close(resultPipe[1]);
  close(errorPipe[1]);
  std::string text;
  std::string errors;
  const bool finished =
      child > 0 && collect(resultPipe[0], errorPipe[0], timeoutSeconds, text, errors);
  close(resultPipe[0]);
  close(errorPipe[0]);
  if (child > 0 && !finished) kill(child, SIGKILL);
  int status = 0;
  if (child > 0) waitpid(child, &status, 0);

  if (child < 0) return failedAll(ids, "cannot start a process for the check");
  if (!finished)
    return failedAll(ids, "a call into the module did not return within " +
                              std::to_string(timeoutSeconds) + " s");
  if (text.empty())
    return failedAll(ids, endingOf(status) + (errors.empty() ? "" : ": " + errorSummary(errors)));
  std::vector<CheckResult> results;
  for (const nlohmann::json& result : nlohmann::json::parse(text))
    results.push_back(CheckResult::fromJson(result));
  return results;
}

}  // namespace nalto::modhost
