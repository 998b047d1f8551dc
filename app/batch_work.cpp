#include "app/batch_work.h"

#include <memory>
#include <new>
#include <optional>

#include "app/core/decode_preview.h"
#include "app/core/encoded_thumbnail.h"
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
// no preview; no picture when the preview cannot be decoded.
struct Thumbnail {
  bool listed = false;
  bool picture = false;
  EncodedThumbnail encoded;
};

// Each thread reads its drawings into one buffer of its own.
PreviewImage& ThreadPreviewBuffer() {
  thread_local PreviewImage image;
  image.Trim(kKeptPreviewBytes);
  return image;
}

// Reads, decodes, composes and encodes one drawing's thumbnail: all but
// the writing of the file, so that it can run on any thread.
Thumbnail MakeThumbnail(const FoundFile& drawing, int type) {
  Thumbnail thumbnail;
  PreviewImage& image = ThreadPreviewBuffer();
  if (!ReadPreviewImage(drawing.path, image)) return thumbnail;
  thumbnail.listed = true;
  const RgbPicture picture = DecodePreview(image.data.get(), image.length);
  if (picture.empty()) return thumbnail;
  const std::unique_ptr<ThumbnailPixels> canvas(new (std::nothrow) ThumbnailPixels);
  if (canvas == nullptr) return thumbnail;
  ComposeThumbnail(picture, *canvas);
  thumbnail.picture = true;
  thumbnail.encoded = EncodeThumbnail(type, canvas->data(), kThumbWidth, kThumbHeight);
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
  // Files are written in name order, so that of two drawings whose images
  // share a name the first one's is kept.
  SaveBatch batch;
  RunInOrder(
      drawings.size(), threads, [&](std::size_t i) { return MakeThumbnail(drawings[i], type); },
      [&](std::size_t i, Thumbnail&& thumbnail) {
        if (!thumbnail.listed) return;
        ++result.previews;
        const std::string output = OutputPathFor(drawings[i].path, extension ? extension : "");
        const SaveOutcome outcome = batch.Save(output, drawings[i].path, type,
                                               thumbnail.picture ? &thumbnail.encoded : nullptr);
        if (outcome.status == SaveStatus::Written) {
          out << EscapeForLine(outcome.path) << '\n';
        } else {
          err << EscapeForLine(outcome.path) << ": " << SaveFailureText(outcome) << '\n';
          ++result.failed;
        }
      });
  return result;
}

}  // namespace pictrove
