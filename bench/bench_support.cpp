#include "bench/bench_support.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <stdexcept>

#include "tools/builders/bmp_builder.h"
#include "tools/builders/dwg_builder.h"

namespace benchsupport {

const testsupport::TempDir& Scratch() {
  static const testsupport::TempDir scratch;
  return scratch;
}

const std::string& LargePreviewDrawing() {
  static const std::string path = [] {
    const std::string real = testsupport::realDrawingsDir();
    if (!real.empty()) return real + "/r2010-large-preview.dwg";
    testsupport::BmpLayout layout;
    layout.width = 672;
    layout.height = 448;
    layout.palette = testsupport::greyPalette(256);
    layout.pixels = testsupport::packRows(672, 448, 8, [](int x, int y) {
      return static_cast<std::uint32_t>(x % 37 == 0 || y % 23 == 0 ? 255 : 20);
    });
    return Scratch().write("large.dwg", testsupport::dwgWithDib("AC1024", testsupport::dibBytes(layout)));
  }();
  return path;
}

double RunThumbnailerOnce(const std::string& program, const std::string& size, const std::string& input,
                          const std::string& output) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  std::string name = program;
  std::string option = "-s";
  std::string sizeText = size;
  std::string in = input;
  std::string out = output;
  char* argv[] = {name.data(), option.data(), sizeText.data(), in.data(), out.data(), nullptr};
  char* envp[] = {nullptr};
  const auto start = std::chrono::steady_clock::now();
  pid_t pid = -1;
  const int spawned = posix_spawn(&pid, name.c_str(), &actions, nullptr, argv, envp);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) throw std::runtime_error("cannot start " + program);
  int status = 0;
  waitpid(pid, &status, 0);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) throw std::runtime_error("the thumbnailer failed on " + input);
  return seconds;
}

}  // namespace benchsupport
