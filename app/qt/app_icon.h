// The application's icon (32 x 32 and 16 x 16) and its animation clip, from
// the compiled-in resources.
#pragma once

#include <QIcon>
#include <QString>

namespace pictrove {

QIcon AppIcon();

// The scan clip: its frames side by side in one picture.
QString ScanClipPath();
constexpr int kScanClipFrames = 29;
constexpr int kScanClipIntervalMs = 166;

}  // namespace pictrove
