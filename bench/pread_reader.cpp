// The floor for a listing: a plain reader that, for every *.dwg file of a
// folder in name order, reads the bytes a listing needs (the file's first
// block with the version and the preview locator, the preview directory,
// and the preview itself) with pread, and prints nothing. No toolkit, no
// checks beyond staying inside the file; one thread.
//
//   bench_pread_reader FOLDER    prints the drawings read and the bytes
#include <dirent.h>
#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr std::size_t kBlock = 8192;

std::uint32_t Le32(const std::uint8_t* p) {
  return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

// Reads one drawing's preview; the bytes read.
std::size_t ReadOne(const std::string& path, std::vector<std::uint8_t>& buffer) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return 0;
  std::uint8_t block[kBlock];
  const ssize_t head = pread(fd, block, sizeof block, 0);
  std::size_t total = head > 0 ? static_cast<std::size_t>(head) : 0;
  if (head >= 17) {
    const std::uint32_t locator = Le32(block + 13);
    std::uint8_t directory[64];
    const ssize_t got = pread(fd, directory, sizeof directory, locator);
    if (got > 21) {
      total += static_cast<std::size_t>(got);
      // Sentinel (16), size (4), count (1), then entries of code, start, size.
      std::uint32_t start = 0;
      std::uint32_t size = 0;
      const int count = static_cast<std::int8_t>(directory[20]);
      for (int i = 0, at = 21; i < count && at + 9 <= got; ++i, at += 9) {
        if (directory[at] == 2 || directory[at] == 6) {
          start = Le32(directory + at + 1);
          size = Le32(directory + at + 5);
        }
      }
      if (size > 0 && size < (16u << 20)) {
        buffer.resize(size);
        const ssize_t data = pread(fd, buffer.data(), size, start);
        if (data > 0) total += static_cast<std::size_t>(data);
      }
    }
  }
  close(fd);
  return total;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: bench_pread_reader FOLDER\n");
    return 2;
  }
  const std::string folder = argv[1];
  std::vector<std::string> names;
  if (DIR* dir = opendir(folder.c_str())) {
    while (const dirent* entry = readdir(dir)) {
      const std::string name = entry->d_name;
      if (name.size() > 4 && strcasecmp(name.c_str() + name.size() - 4, ".dwg") == 0)
        names.push_back(name);
    }
    closedir(dir);
  }
  std::sort(names.begin(), names.end());
  std::vector<std::uint8_t> buffer;
  std::size_t bytes = 0;
  for (const std::string& name : names) bytes += ReadOne(folder + "/" + name, buffer);
  std::printf("%zu drawings, %zu bytes\n", names.size(), bytes);
  return 0;
}
