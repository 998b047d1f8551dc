// The colours of the application's artwork: the blueprint sheet with its
// floor plan and the picture frame of the icon, shared by the icon and scan
// clip drawn for the dialog and the icons drawn for the desktop.
#pragma once

#include "tools/raster.h"

namespace tools {

constexpr Colour kPaper{30, 78, 156, 255};   // blueprint blue
constexpr Colour kGrid{58, 106, 184, 255};   // lighter grid lines
constexpr Colour kInk{235, 242, 255, 255};   // plan lines
constexpr Colour kEdge{16, 40, 84, 255};     // sheet border, frame shadow
constexpr Colour kFrame{236, 178, 32, 255};  // picture frame
constexpr Colour kSky{150, 208, 240, 255};
constexpr Colour kHill{60, 150, 70, 255};

}  // namespace tools
