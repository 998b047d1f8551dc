#include "app/batch_work.h"

#include <sys/stat.h>

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
#include "app/file_checks.h"
#include "app/progress_line.h"
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

Thumbnail MakeThumbnail(const FoundFile& drawing) {
  Thumbnail thumbnail;
  PreviewImage image;
  if (!ReadPreviewImage(drawing.path, image)) return thumbnail;
  thumbnail.listed = true;
  const RgbPicture picture = DecodePreview(image.data.get(), image.length);
  if (picture.empty()) return thumbnail;
  thumbnail.pixels.reset(new (std::nothrow) ThumbnailPixels);
  if (thumbnail.pixels != nullptr) ComposeThumbnail(picture, *thumbnail.pixels);
  return thumbnail;
}

bool SameFile(const std::string& a, const std::string& b) {
  struct stat x {};
  struct stat y {};
  return stat(a.c_str(), &x) == 0 && stat(b.c_str(), &y) == 0 && x.st_dev == y.st_dev &&
         x.st_ino == y.st_ino;
}

// Saves the thumbnail beside the drawing or, with an output folder, at the
// drawing's name below it: the path given to the writer is the drawing's as
// it would lie there, so the image gets its name by the same rule.
SaveOutcome SaveInto(const FoundFile& drawing, const std::string& outputFolder, int type,
                     const std::string& extension, const Thumbnail& thumbnail,
                     std::string& madeFolder) {
  const std::uint8_t* pixels = thumbnail.pixels ? thumbnail.pixels->data() : nullptr;
  if (outputFolder.empty())
    return SaveThumbnail(drawing.path, type, extension, pixels, kThumbWidth, kThumbHeight);

  const std::string placed = outputFolder + (outputFolder.back() == '/' ? "" : "/") + drawing.name;
  if (pixels != nullptr && !extension.empty()) {
    const std::string folder = placed.substr(0, placed.rfind('/'));
    const std::string output = OutputPathFor(placed, extension);
    // A folder that cannot be made, or an image name that is the drawing
    // itself (the output folder holds links to the drawings), is refused.
    if (folder != madeFolder) {
      if (MakeFolders(folder) != 0) return SaveOutcome{SaveStatus::CannotCreate, output};
      madeFolder = folder;
    }
    if (SameFile(output, drawing.path)) return SaveOutcome{SaveStatus::CannotCreate, output};
  }
  return SaveThumbnail(placed, type, extension, pixels, kThumbWidth, kThumbHeight);
}

}  // namespace

BatchResult ListPreviews(const std::vector<FoundFile>& drawings, int threads, std::ostream& out) {
  BatchResult result;
  RunInOrder(
      drawings.size(), threads,
      [&](std::size_t i) -> std::optional<PreviewInfo> {
        PreviewImage image;
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
                           std::ostream& out, std::ostream& err, const ExportOptions& options) {
  BatchResult result;
  const char* text = OutputFormatText(type);
  const std::string extension = text ? text : "";
  std::string madeFolder;  // the output folder last made, so each is made once
  RunInOrder(
      drawings.size(), threads, [&](std::size_t i) { return MakeThumbnail(drawings[i]); },
      [&](std::size_t i, Thumbnail&& thumbnail) {
        if (thumbnail.listed) {
          ++result.previews;
          const SaveOutcome outcome = SaveInto(drawings[i], options.outputFolder, type, extension,
                                               thumbnail, madeFolder);
          if (outcome.status == SaveStatus::Written) {
            auto print = [&] { out << EscapeForLine(outcome.path) << '\n'; };
            if (options.progress != nullptr && options.outputOnTerminal) {
              options.progress->PrintAbove([&] {
                print();
                out.flush();
              });
            } else {
              print();
            }
          } else {
            auto print = [&] {
              err << EscapeForLine(outcome.path) << ": " << SaveStatusText(outcome.status) << '\n';
            };
            if (options.progress != nullptr) {
              options.progress->PrintAbove(print);
            } else {
              print();
            }
            ++result.failed;
          }
        }
        if (options.progress != nullptr) options.progress->Advance();
      });
  return result;
}

}  // namespace pictrove
