// The file a fuzz target's input becomes: an in-memory file reached by a
// path, since the toolkit reads drawings by name. Made once, refilled with
// each input.
#pragma once

#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace fuzzsupport {

class DrawingInMemory {
 public:
  DrawingInMemory() : fd_(memfd_create("drawing.dwg", MFD_CLOEXEC)) {
    if (fd_ < 0) std::abort();
    path_ = "/proc/self/fd/" + std::to_string(fd_);
  }
  DrawingInMemory(const DrawingInMemory&) = delete;
  DrawingInMemory& operator=(const DrawingInMemory&) = delete;

  // Replaces the file's bytes with the input's.
  void Hold(const std::uint8_t* data, std::size_t size) const {
    if (ftruncate(fd_, 0) != 0) std::abort();
    if (size > 0 && pwrite(fd_, data, size, 0) != static_cast<ssize_t>(size)) std::abort();
  }

  const std::string& path() const { return path_; }

 private:
  int fd_;
  std::string path_;
};

}  // namespace fuzzsupport
