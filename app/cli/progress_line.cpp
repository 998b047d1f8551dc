#include "app/cli/progress_line.h"

#include <algorithm>
#include <chrono>
#include <utility>

#include "app/dialog/string_table.h"

namespace pictrove {

double ProgressLine::SteadySeconds() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

ProgressLine::ProgressLine(std::ostream& err, std::size_t total, Clock clock)
    : err_(err), total_(total), clock_(std::move(clock)), start_(clock_()) {}

ProgressLine::~ProgressLine() { Finish(); }

void ProgressLine::Advance() {
  ++done_;
  if (finished_) return;
  const double now = clock_();
  if (!text_.empty() && now - lastChange_ < kInterval) return;
  lastChange_ = now;
  const double elapsed = now - start_;
  const double rate = elapsed > 0 ? static_cast<double>(done_) / elapsed : 0;
  text_ = FormatText(rate < 10 ? "%zu of %zu drawings, %.1f/s" : "%zu of %zu drawings, %.0f/s",
                     done_, total_, rate);
  Draw();
}

void ProgressLine::PrintAbove(const std::function<void()>& print) {
  Erase();
  print();
  if (!finished_ && !text_.empty()) Draw();
}

void ProgressLine::Finish() {
  Erase();
  finished_ = true;
}

void ProgressLine::Draw() {
  // Spaces cover what a longer counter left behind.
  std::string line = "\r" + text_;
  if (width_ > text_.size()) line.append(width_ - text_.size(), ' ');
  err_ << line;
  err_.flush();
  width_ = std::max(width_, text_.size());
}

void ProgressLine::Erase() {
  if (width_ == 0) return;
  err_ << '\r' << std::string(width_, ' ') << '\r';
  err_.flush();
  width_ = 0;
}

}  // namespace pictrove
