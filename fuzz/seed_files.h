// Writes a seed corpus: one file per named input, in `dir`.
#pragma once

#include <cstdint>
#include <fstream>
#include <iostream>
#include <string>
#include <utility>
#include <vector>

namespace fuzzsupport {

using Seed = std::pair<std::string, std::vector<std::uint8_t>>;

// Returns the exit status for the seed program: 0, or 1 when a file could
// not be written (named on standard error).
inline int WriteSeedFiles(const std::string& dir, const std::vector<Seed>& seeds) {
  for (const auto& [name, bytes] : seeds) {
    std::ofstream out(dir + "/" + name, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out) {
      std::cerr << "cannot write " << dir << "/" << name << "\n";
      return 1;
    }
  }
  return 0;
}

}  // namespace fuzzsupport
