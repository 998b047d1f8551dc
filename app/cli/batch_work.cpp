#include "app/cli/batch_work.h"

#include <memory>
#include <new>
#include <optional>

#include "app/core/drawing_picture.h"
#include "app/core/encoded_thumbnail.h"
#include "app/core/ordered_work.h"
#include "app/core/output_format.h"
#include "app/core/preview_info.h"
#include "app/core/save_thumbnail.h"
#include "app/core/thumbnail.h"
#include "app/core/file_checks.h"
#include "app/cli/progress_line.h"
#include "app/core/text_utils.h"

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
  int readError = 0;  // the drawing could not be read
  bool listed = false;
  bool picture = false;
  EncodedThumbnail encoded;
};

// Reads, decodes, composes and encodes one drawing's thumbnail: all but
// the writing of the file, so that it can run on any thread.
Thumbnail MakeThumbnail(const FoundFile& drawing, OutputFormat format) {
  Thumbnail thumbnail;
  const DrawingPicture preview = LoadDrawingPicture(drawing.path);
  thumbnail.readError = preview.readError;
  thumbnail.listed = preview.listed();
  if (preview.result != PictureResult::Made) return thumbnail;
  const std::unique_ptr<ThumbnailPixels> canvas(new (std::nothrow) ThumbnailPixels);
  if (canvas == nullptr) return thumbnail;
  ComposeThumbnail(preview.picture, *canvas);
  thumbnail.picture = true;
  thumbnail.encoded = EncodeThumbnail(format, canvas->data(), kThumbWidth, kThumbHeight);
  return thumbnail;
}

// Where a drawing's image goes: beside the drawing or, with an output
// folder, at the drawing's name below it (its folders made as needed), by
// the same naming rule. "" with `made` set to the error when a folder
// cannot be made.
std::string OutputFor(const FoundFile& drawing, const std::string& outputFolder,
                      const std::string& extension, std::string& madeFolder, int& error) {
  error = 0;
  if (outputFolder.empty()) return OutputPathFor(drawing.path, extension);
  const std::string placed = outputFolder + (outputFolder.back() == '/' ? "" : "/") + drawing.name;
  const std::string output = OutputPathFor(placed, extension);
  const std::string folder = placed.substr(0, placed.rfind('/'));
  if (folder != madeFolder) {
    error = MakeFolders(folder);
    if (error == 0) madeFolder = folder;
  }
  return output;
}

// "pictrove: NAME: cannot read (REASON)" for a drawing whose reads failed.
std::string UnreadableText(const FoundFile& drawing, int error) {
  return "pictrove: " + EscapeForLine(drawing.name) + ": cannot read (" + SystemErrorText(error) +
         ")\n";
}

}  // namespace

BatchResult ListPreviews(const std::vector<FoundFile>& drawings, int threads, std::ostream& out,
                         std::ostream& err) {
  struct Listed {
    std::optional<PreviewInfo> info;
    int readError = 0;
  };
  BatchResult result;
  RunInOrder(
      drawings.size(), threads,
      [&](std::size_t i) -> Listed {
        int readError = 0;
        const PreviewImage* image =
            ReadThreadPreview(drawings[i].path, PreviewRead::Reuse, nullptr, &readError);
        if (image == nullptr) return Listed{std::nullopt, readError};
        return Listed{ReadPreviewInfo(image->data.get(), image->length), 0};
      },
      [&](std::size_t i, Listed&& listed) {
        if (listed.readError != 0) {
          err << UnreadableText(drawings[i], listed.readError);
          ++result.unreadable;
          return;
        }
        if (!listed.info) return;
        ++result.previews;
        out << EscapeForLine(drawings[i].name) << '\t' << listed.info->width << 'x'
            << listed.info->height << '\t' << KindText(listed.info->kind) << '\n';
      });
  return result;
}

BatchResult ExportPreviews(const std::vector<FoundFile>& drawings, OutputFormat format, int threads,
                           std::ostream& out, std::ostream& err, const ExportOptions& options) {
  BatchResult result;
  const std::string extension = OutputFormatText(format);
  std::string madeFolder;  // the output folder last made, so each is made once
  // Files are written in name order, so that of two drawings whose images
  // share a name the first one's is kept.
  SaveBatch batch;
  RunInOrder(
      drawings.size(), threads, [&](std::size_t i) { return MakeThumbnail(drawings[i], format); },
      [&](std::size_t i, Thumbnail&& thumbnail) {
        if (thumbnail.readError != 0) {
          ++result.unreadable;
          const std::string text = UnreadableText(drawings[i], thumbnail.readError);
          if (options.progress != nullptr) {
            options.progress->PrintAbove([&] { err << text; });
          } else {
            err << text;
          }
        }
        if (thumbnail.listed) {
          ++result.previews;
          int folderError = 0;
          const std::string output =
              OutputFor(drawings[i], options.outputFolder, extension, madeFolder, folderError);
          const SaveOutcome outcome =
              folderError != 0
                  ? SaveOutcome{SaveStatus::CannotCreate, output, folderError}
                  : batch.Save(output, drawings[i].path, format,
                               thumbnail.picture ? &thumbnail.encoded : nullptr);
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
              err << EscapeForLine(outcome.path) << ": " << SaveFailureText(outcome) << '\n';
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
