#include "app/core/encoded_thumbnail.h"

#include <cerrno>
#include <new>

#include "app/core/output_format.h"
#include "app/core/stream_handles.h"
#include "imaging/tessera.h"

namespace pictrove {

EncodedThumbnail EncodeThumbnail(OutputFormat format, const std::uint8_t* pixels, std::uint32_t width,
                                 std::uint32_t height) {
  EncodedThumbnail encoded;
  if (pixels == nullptr) return encoded;
  SinkHandle sink(tsOpenMemorySink(0));
  if (sink == nullptr) return encoded;
  if (WriteThumbnail(format, sink.get(), pixels, width, height) == 0) {
    encoded.systemError = tsGetLastSystemError();
    return encoded;
  }
  std::uint32_t size = 0;
  const std::uint8_t* data = tsMemorySinkData(sink.get(), &size);
  if (data == nullptr) return encoded;
  try {
    encoded.bytes.assign(data, data + size);
  } catch (const std::bad_alloc&) {
    encoded.systemError = ENOMEM;
    return encoded;
  }
  encoded.ok = true;
  return encoded;
}

}  // namespace pictrove
