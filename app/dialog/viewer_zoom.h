// How the preview viewer scales its picture: fitted into the room there is
// (shrunk when larger, never enlarged), or a factor the user chose from a
// fixed ladder of steps. Sizes are in device pixels, so that a factor of 1
// puts one picture pixel on one screen pixel whatever the screen's ratio.
#pragma once

namespace pictrove {

class ViewerZoom {
 public:
  // The smallest and the largest factor a step reaches.
  static constexpr double kMinFactor = 0.125;
  static constexpr double kMaxFactor = 8.0;

  // The picture's own size; a chosen factor is kept, a fit is made anew.
  void SetPicture(int width, int height);
  // The room the picture may take before it scrolls.
  void SetRoom(int width, int height);

  // The next step above (below) the factor on show, within the limits;
  // from a fit, the step nearest above (below) the fitted factor.
  void ZoomIn();
  void ZoomOut();
  // Back to fitting the room.
  void Fit();

  bool Fitting() const { return fitting_; }
  // Device pixels per picture pixel.
  double Factor() const;
  // The picture's size on show, each side at least 1; when fitting, within
  // the room.
  int ShownWidth() const;
  int ShownHeight() const;

 private:
  double FitFactor() const;

  int width_ = 0;
  int height_ = 0;
  int roomWidth_ = 0;
  int roomHeight_ = 0;
  bool fitting_ = true;
  double factor_ = 1.0;
};

}  // namespace pictrove
