// The drawing-file toolkit, running for the life of one object.
//
// Construction connects the embedded init data and the critical-error
// handler to the toolkit and starts it; destruction stops the toolkit and
// runs the image library's clean-up, in that order. Only one session may be
// alive at a time: the toolkit keeps one process-wide context.
#pragma once

#include <cstdint>

namespace pictrove {

class ToolkitSession {
 public:
  // How the toolkit is started; returns 1 on success, 0 with *error set.
  // Tests pass a failing one.
  using Starter = std::int16_t (*)(std::int16_t* error);
  // Installs the application's init data hooks and handler, then starts.
  static std::int16_t StartWithEmbeddedInitData(std::int16_t* error);

  explicit ToolkitSession(Starter start = StartWithEmbeddedInitData);
  ~ToolkitSession();
  ToolkitSession(const ToolkitSession&) = delete;
  ToolkitSession& operator=(const ToolkitSession&) = delete;

  bool started() const { return started_; }
  // The error number of a failed start (0 after a successful one).
  std::int16_t error() const { return error_; }

  // Stops the toolkit and cleans up the image library now, if it runs.
  void Stop();

 private:
  bool started_ = false;
  std::int16_t error_ = 0;
};

}  // namespace pictrove
