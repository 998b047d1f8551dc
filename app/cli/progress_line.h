// The command line's progress counter on a terminal: one line on standard
// error, "12 of 345 drawings, 56/s", rewritten in place with a carriage
// return. Other lines are printed above it (the counter is erased first and
// drawn again after), and it is erased when the work ends, so nothing else
// is ever garbled by it.
#pragma once

#include <cstddef>
#include <functional>
#include <ostream>
#include <string>

namespace pictrove {

class ProgressLine {
 public:
  // Seconds on a steady clock.
  using Clock = std::function<double()>;
  static double SteadySeconds();

  // The counter's new numbers are shown at most this often.
  static constexpr double kInterval = 0.1;

  ProgressLine(std::ostream& err, std::size_t total, Clock clock = SteadySeconds);
  // Erases the counter.
  ~ProgressLine();
  ProgressLine(const ProgressLine&) = delete;
  ProgressLine& operator=(const ProgressLine&) = delete;

  // One more drawing done. The counter shows the new count the first time
  // and then when kInterval has passed since it last changed.
  void Advance();
  // Erases the counter, runs `print` (which writes whole lines to standard
  // error or to a standard output on the same terminal), then shows the
  // counter again.
  void PrintAbove(const std::function<void()>& print);
  // Erases the counter for good.
  void Finish();

  std::size_t done() const { return done_; }
  // The counter's text as last drawn.
  const std::string& text() const { return text_; }

 private:
  void Draw();
  void Erase();

  std::ostream& err_;
  std::size_t total_;
  Clock clock_;
  double start_;
  double lastChange_ = 0;
  std::size_t done_ = 0;
  std::string text_;
  std::size_t width_ = 0;  // characters of the counter now on the screen
  bool finished_ = false;
};

}  // namespace pictrove
