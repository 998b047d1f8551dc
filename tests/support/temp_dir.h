// A scratch folder that lives for one test, the folder of real drawings, and
// the committed inputs that fuzzing found.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace testsupport {

// Creates a fresh folder under $TMPDIR (or /tmp) and removes it, with
// everything in it, when destroyed.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return path_; }
  // path() + "/" + name
  std::string file(const std::string& name) const;
  // Writes bytes to path() + "/" + name and returns the full path.
  std::string write(const std::string& name, const std::vector<std::uint8_t>& bytes) const;

 private:
  std::string path_;
};

std::vector<std::uint8_t> readFile(const std::string& path);

// The folder of real drawings, or "" when it is absent. Tests that use it
// start with: if (realDrawingsDir().empty()) GTEST_SKIP() << "...";
std::string realDrawingsDir();

// The committed inputs that fuzzing found hostile, fuzz/malformed/<target>/:
// every file's full path, sorted; empty when the folder has none.
std::vector<std::string> malformedInputs(const std::string& target);

// The bytes of fuzz/malformed/<target>/<name>; empty when it is missing.
std::vector<std::uint8_t> malformedInput(const std::string& target, const std::string& name);

}  // namespace testsupport
