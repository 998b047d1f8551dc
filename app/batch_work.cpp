#include "app/batch_work.h"

#include <memory>
#include <new>
#include <optional>

#include "app/core/decode_preview.h"
#include "app/core/ordered_work.h"
#include "app/core/output_format.h"
#include "app/core/preview_image.h"
#include "app/core/preview_info.h"
#include "app/core/save_thumbnail.h"
#include "app/core/thumbnail.h"
#include "app/text_utils.h"

namespace pictrove {
namespace {

const char* KindText(PreviewKind kind) {
  switch (kind) {
    case PreviewKind::Bmp:
      return "BMP";
    case PreviewKind::Png:
      return "PNG";
    case PreviewKind::Unknown:
      break;
  }
  return "-";
}

// A drawing's thumbnail on its way to the file: absent when the drawing has
// no preview; `pixels` null when the preview cannot be decoded.
struct Thumbnail {
  bool listed = false;
  std::unique_ptr<ThumbnailPixels> pixels;
};

// Each thread reads its drawings into one buffer of its own.
PreviewImage& ThreadPreviewBuffer() {
  thread_local PreviewImage image;
  image.Trim(kKeptPreviewBytes);
  return image;
}

Thumbnail MakeThumbnail(const FoundFile& drawing) {
  Thumbnail thumbnail;
  PreviewImage& image = ThreadPreviewBuffer();
  if (!ReadPreviewImage(drawing.path, image)) return thumbnail;
  thumbnail.listed = true;
  const RgbPicture picture = DecodePreview(image.data.get(), image.length);
  if (picture.empty()) return thumbnail;
  thumbnail.pixels.reset(new (std::nothrow) ThumbnailPixels);
  if (thumbnail.pixels != nullptr) ComposeThumbnail(picture, *thumbnail.pixels);
  return thumbnail;
}

}  // namespace

BatchResult ListPreviews(const std::vector<FoundFile>& drawings, int threads, std::ostream& out) {
  BatchResult result;
  RunInOrder(
      drawings.size(), threads,
      [&](std::size_t i) -> std::optional<PreviewInfo> {
        PreviewImage& image = ThreadPreviewBuffer();
        if (!ReadPreviewImage(drawings[i].path, image)) return std::nullopt;
        return ReadPreviewInfo(image.data.get(), image.length);
      },
      [&](std::size_t i, std::optional<PreviewInfo>&& info) {
        if (!info) return;
        ++result.previews;
        out << EscapeForLine(drawings[i].name) << '\t' << info->width << 'x' << info->height
            << '\t' << KindText(info->kind) << '\n';
      });
  return result;
}

BatchResult ExportPreviews(const std::vector<FoundFile>& drawings, int type, int threads,
                           std::ostream& out, std::ostream& err) {
  BatchResult result;
  const char* extension = OutputFormatText(type);
  RunInOrder(
      drawings.size(), threads, [&](std::size_t i) { return MakeThumbnail(drawings[i]); },
      [&](std::size_t i, Thumbnail&& thumbnail) {
        if (!thumbnail.listed) return;
        ++result.previews;
        const std::uint8_t* pixels = thumbnail.pixels ? thumbnail.pixels->data() : nullptr;
        const SaveOutcome outcome = SaveThumbnail(drawings[i].path, type, extension ? extension : "",
                                                  pixels, kThumbWidth, kThumbHeight);
        if (outcome.status == SaveStatus::Written) {
          out << EscapeForLine(outcome.path) << '\n';
        } else {
          err << EscapeForLine(outcome.path) << ": " << SaveStatusText(outcome.status) << '\n';
          ++result.failed;
        }
      });
  return result;
}

}  // namespace pictrove
