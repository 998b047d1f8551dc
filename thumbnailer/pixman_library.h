// pixman, loaded the first time a picture is scaled instead of at every
// start: a file manager starts the thumbnailer once per drawing, and for a
// drawing without a preview loading the library (mapping it, relocating it,
// running its set-up of fast paths) was the largest cost left after the
// program's own start.
#pragma once

#include <pixman.h>

namespace pictrove {

// The pixman functions the thumbnailer calls, typed as pixman.h declares
// them.
struct PixmanFunctions {
  decltype(&pixman_image_create_bits) image_create_bits;
  decltype(&pixman_image_unref) image_unref;
  decltype(&pixman_transform_init_scale) transform_init_scale;
  decltype(&pixman_filter_create_separable_convolution) filter_create_separable_convolution;
  decltype(&pixman_image_set_transform) image_set_transform;
  decltype(&pixman_image_set_filter) image_set_filter;
  decltype(&pixman_image_set_repeat) image_set_repeat;
  decltype(&pixman_image_composite32) image_composite32;
};

// The functions, loaded on the first call (any thread may make it); null
// when the library or one of them cannot be had.
const PixmanFunctions* Pixman();

}  // namespace pictrove
