// The file search of a scan: the drawings of one folder.
#pragma once

#include <string>
#include <vector>

namespace pictrove {

struct FoundFile {
  std::string path;  // folder + "/" + name, as bytes
  std::string name;  // the directory entry's name, as bytes
};

// Every regular file (or link to one) in `folder` whose name ends in ".dwg"
// or ".dxf" in any letter case, both kinds in one list sorted by name
// without regard to ASCII letter case (ties in byte order). Folders, FIFOs, sockets, devices and broken links
// are left out; they are never opened. An unreadable folder yields nothing.
std::vector<FoundFile> FindDrawingFiles(const std::string& folder);

// Whether `name` matches "*.dwg" or "*.dxf" without regard to letter case.
bool MatchesDrawingPattern(const std::string& name);

// FindDrawingFiles' order of names: without regard to ASCII letter case,
// ties in byte order.
bool NameLess(const std::string& a, const std::string& b);

// `name` below `folder`, with one "/" between them.
std::string JoinPath(const std::string& folder, const std::string& name);

}  // namespace pictrove
