// Starts programs for tests: with an environment of the test's choosing,
// capturing standard output and error, with a time limit.
#pragma once

#include <sys/types.h>

#include <map>
#include <string>
#include <vector>

namespace apptest {

struct ProcessResult {
  int exitCode = -1;  // -1 when it did not exit by itself in time
  std::string out;
  std::string err;
};

// The environment variables a child gets: PATH and the ones given.
using Environment = std::map<std::string, std::string>;

// Runs `program` with `arguments` to completion (killed after
// `timeoutSeconds`).
ProcessResult RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                         const Environment& environment, double timeoutSeconds = 60);

// A running child whose output is discarded.
class ChildProcess {
 public:
  ChildProcess(const std::string& program, const std::vector<std::string>& arguments,
               const Environment& environment, const std::string& errFile = "");
  ~ChildProcess();  // kills the child if it still runs
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  pid_t pid() const { return pid_; }
  bool running();
  // Waits up to `timeoutSeconds` for the child to end; its exit code, or -1
  // when it is still running (or ended by a signal).
  int wait(double timeoutSeconds);

 private:
  pid_t pid_ = -1;
  bool reaped_ = false;
  int status_ = 0;
};

// The full path of `name` found in $PATH, or "".
std::string FindInPath(const std::string& name);

}  // namespace apptest
