// Scaling a picture down for a thumbnail, with pixman.
//
// Each thumbnail pixel is the average of the picture's area under it:
// pixman's separable convolution filter with a box reconstruction (each
// source pixel a square) and a box sampling kernel as wide as the scale
// factor. A one-pixel line of a drawing therefore always adds its share to
// the pixels it crosses: at a 4x reduction it darkens them by a quarter of
// its contrast, where point or bilinear sampling, which read only one or two
// source pixels per thumbnail pixel, drop most such lines altogether.
#pragma once

#include "app/core/rgb_picture.h"
#include "thumbnailer/fit_size.h"
#include "thumbnailer/thumbnail_picture.h"

namespace pictrove {

// The picture scaled to `size` (each side at most the picture's own and at
// least 1). An empty picture when the arguments are out of range or memory
// runs out.
ThumbnailPicture Downscale(const RgbPicture& picture, PictureSize size);

}  // namespace pictrove
