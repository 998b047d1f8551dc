// Putting a new file in place of whatever a name holds, all at once: the
// bytes go to a new temporary file in the same folder, which is renamed over
// the name only once it is complete. The name never holds a half-written
// file, a file that was there stays as it was when anything fails, and a
// link at the name is replaced itself: its target is never opened.
#pragma once

#include <sys/stat.h>

#include <cstdint>
#include <string>
#include <vector>

namespace pictrove {

struct ReplaceResult {
  int systemError = 0;  // 0 when the file is in place, else the errno
  bool created = true;  // false: not even the temporary file could be made
  struct stat made {};  // the new file, once in place
};

// Writes `bytes` to a new file named `path`. The new file gets the
// permissions a newly created file gets (0666 less the umask). With `durable`
// the bytes reach the disk before the rename, so that a crash cannot leave
// an empty file where an older one was. On failure the temporary file is
// removed again and `path` is untouched. Throws nothing.
ReplaceResult ReplaceFile(const std::string& path, const std::vector<std::uint8_t>& bytes,
                          bool durable);

// The prefix of the temporary files made for `path`: its folder and a
// hidden name derived from the file's own (shortened where the whole would
// exceed the longest name a folder entry may have), so that a leftover one
// (after a crash) is recognisable.
std::string TemporaryNameFor(const std::string& path);

}  // namespace pictrove
