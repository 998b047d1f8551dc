// The drawings of a folder and all its subfolders, for the command line's
// --recursive.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "app/core/drawing_search.h"

namespace pictrove {

// Told about a subfolder that could not be read: its path and the error
// number.
using UnreadableFolder = std::function<void(const std::string& path, int error)>;

// The drawings FindDrawingFiles finds in `folder`, then those of each of its
// subfolders in turn, depth first; subfolders in the order FindDrawingFiles
// sorts names. Symbolic links to folders are not followed, so no folder is
// visited twice. Each name is the path relative to `folder` ("a.dwg",
// "sub/b.dwg"); each path is the full path.
std::vector<FoundFile> FindDrawingTree(const std::string& folder, const UnreadableFolder& unreadable);

// The subfolders of `folder` (real folders, not links to them), sorted as
// FindDrawingFiles sorts names; 0 or the error number of opening it.
int ListSubfolders(const std::string& folder, std::vector<std::string>& names);

}  // namespace pictrove
