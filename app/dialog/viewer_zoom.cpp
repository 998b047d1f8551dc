#include "app/dialog/viewer_zoom.h"

#include <algorithm>
#include <cmath>
#include <iterator>

namespace pictrove {
namespace {

// From an eighth up to eight times: halving and doubling with a step
// between, so that a few presses cover the range.
constexpr double kSteps[] = {0.125, 0.25, 1.0 / 3, 0.5, 2.0 / 3, 1.0, 1.5, 2.0, 3.0, 4.0, 6.0, 8.0};

// A factor this close to a step counts as that step.
constexpr double kSameStep = 1e-9;

int Scaled(int length, double factor) {
  const double scaled = std::floor(static_cast<double>(length) * factor + kSameStep);
  return std::max(1, static_cast<int>(std::min(scaled, 1e9)));
}

}  // namespace

void ViewerZoom::SetPicture(int width, int height) {
  width_ = std::max(0, width);
  height_ = std::max(0, height);
}

void ViewerZoom::SetRoom(int width, int height) {
  roomWidth_ = std::max(1, width);
  roomHeight_ = std::max(1, height);
}

double ViewerZoom::FitFactor() const {
  if (width_ <= 0 || height_ <= 0 || roomWidth_ <= 0 || roomHeight_ <= 0) return 1.0;
  const double across = static_cast<double>(roomWidth_) / width_;
  const double down = static_cast<double>(roomHeight_) / height_;
  return std::min({1.0, across, down});
}

double ViewerZoom::Factor() const { return fitting_ ? FitFactor() : factor_; }

void ViewerZoom::ZoomIn() {
  const double now = Factor();
  const auto* next = std::find_if(std::begin(kSteps), std::end(kSteps),
                                  [now](double step) { return step > now + kSameStep; });
  factor_ = next == std::end(kSteps) ? kMaxFactor : *next;
  fitting_ = false;
}

void ViewerZoom::ZoomOut() {
  const double now = Factor();
  const auto* after = std::find_if(std::begin(kSteps), std::end(kSteps),
                                   [now](double step) { return step >= now - kSameStep; });
  // Below the smallest step (a fit of a huge picture) it stays where it is.
  factor_ = after == std::begin(kSteps) ? std::min(now, kMinFactor) : *std::prev(after);
  fitting_ = false;
}

void ViewerZoom::Fit() { fitting_ = true; }

int ViewerZoom::ShownWidth() const { return Scaled(width_, Factor()); }

int ViewerZoom::ShownHeight() const { return Scaled(height_, Factor()); }

}  // namespace pictrove
