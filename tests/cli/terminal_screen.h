// What a terminal shows after some output: carriage returns go back to the
// start of the line and overwrite it, newlines start a new one. Trailing
// spaces are dropped, so an erased line reads as empty.
#pragma once

#include <string>
#include <vector>

namespace apptest {

inline std::vector<std::string> ScreenLines(const std::string& output) {
  std::vector<std::string> lines(1);
  std::size_t column = 0;
  for (const char c : output) {
    if (c == '\r') {
      column = 0;
    } else if (c == '\n') {
      lines.emplace_back();
      column = 0;
    } else {
      std::string& line = lines.back();
      if (column < line.size()) {
        line[column] = c;
      } else {
        line.push_back(c);
      }
      ++column;
    }
  }
  for (std::string& line : lines) line.erase(line.find_last_not_of(' ') + 1);
  return lines;
}

}  // namespace apptest
