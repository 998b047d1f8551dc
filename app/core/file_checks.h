// Questions about paths asked before any work starts, answered with the
// system's error numbers so that the user sees the system's own reason
// ("No such file or directory", "Permission denied"...). Paths are bytes.
#pragma once

#include <string>

namespace pictrove {

// The system's text for error number `error` (strerror).
std::string SystemErrorText(int error);

// 0 when `folder` is a folder whose entries can be read; otherwise the
// error number: the one stat or opendir gave, ENOTDIR for something that is
// not a folder.
int CheckReadableFolder(const std::string& folder);

// Creates `folder` and any missing parents (mode 0777 less the umask). 0 when
// it exists as a folder afterwards; otherwise the error number.
int MakeFolders(const std::string& folder);

// What a path given to open in the dialog stands for: a folder to scan, and
// the name of the drawing to show in it ("" for a folder).
struct OpenTarget {
  std::string folder;  // absolute, without symbolic links
  std::string name;    // the file name as given, bytes
};

// Resolves `path` (absolute or relative to the working folder) for opening:
// a folder stands for itself, any other file for its folder and its name.
// 0 with `target` set when the path exists and the folder (and a regular
// file) can be read; otherwise the error number.
int ResolveOpenPath(const std::string& path, OpenTarget& target);

}  // namespace pictrove
