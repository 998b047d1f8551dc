// Scaling a picture down for a thumbnail, with pixman.
//
// Each thumbnail pixel is the average of the picture's pixels under it:
// pixman's separable convolution filter with an impulse reconstruction
// (each source pixel a point at its centre) and a box sampling kernel as
// wide as the scale factor, so every source pixel counts towards the
// thumbnail pixel whose area holds its centre. A one-pixel line of a drawing
// therefore always adds its share: at a 4x reduction it darkens the pixels
// it crosses by a quarter of its contrast, where point or bilinear
// sampling, which read only one or two source pixels per thumbnail pixel,
// drop most such lines altogether. A box reconstruction (exact area
// coverage) looks the same at these reductions but takes 16 taps per pixel
// at 2.6x where this takes 9.
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
