#include "thumbnailer/pixman_library.h"

#include <dlfcn.h>

namespace pictrove {
namespace {

// pixman's library name, unchanged since its first release.
constexpr char kLibraryName[] = "libpixman-1.so.0";

template <typename Function>
bool Find(void* library, const char* name, Function& function) {
  function = reinterpret_cast<Function>(dlsym(library, name));
  return function != nullptr;
}

const PixmanFunctions* Load() {
  // Kept loaded until the process ends.
  void* library = dlopen(kLibraryName, RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) return nullptr;
  static PixmanFunctions functions;
  PixmanFunctions& f = functions;
  const bool found = Find(library, "pixman_image_create_bits", f.image_create_bits) &&
                     Find(library, "pixman_image_unref", f.image_unref) &&
                     Find(library, "pixman_transform_init_scale", f.transform_init_scale) &&
                     Find(library, "pixman_filter_create_separable_convolution",
                          f.filter_create_separable_convolution) &&
                     Find(library, "pixman_image_set_transform", f.image_set_transform) &&
                     Find(library, "pixman_image_set_filter", f.image_set_filter) &&
                     Find(library, "pixman_image_set_repeat", f.image_set_repeat) &&
                     Find(library, "pixman_image_composite32", f.image_composite32);
  return found ? &functions : nullptr;
}

}  // namespace

const PixmanFunctions* Pixman() {
  static const PixmanFunctions* const functions = Load();
  return functions;
}

}  // namespace pictrove
