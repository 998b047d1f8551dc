#include "app/cli/batch_work.h"

#include <sys/resource.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <new>
#include <optional>

#include "app/core/drawing_picture.h"
#include "app/core/preview_image.h"
#include "app/core/encoded_thumbnail.h"
#include "app/core/ordered_work.h"
#include "app/core/output_format.h"
#include "app/core/preview_info.h"
#include "app/core/save_thumbnail.h"
#include "app/core/thumbnail.h"
#include "app/core/worker_threads.h"
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

// Whether a run's reads wait on the storage. The first drawings are read on
// the working threads alone, no more than there are cores, and each read is
// watched for giving up the processor of its own accord (the thread's
// voluntary context switches): a read served from the page cache does not,
// one that waits for a disk or a share's answer does. More reading threads
// than cores only pay where reads wait; on a local disk with its page cache
// warm they cost processor time and gain nothing.
class StorageProbe {
 public:
  // Drawings read before the rest of the run's threads are chosen.
  static constexpr std::size_t kDrawings = 16;

  // The calling thread's count of voluntary context switches so far.
  static long Switches() {
    rusage usage{};
    return getrusage(RUSAGE_THREAD, &usage) == 0 ? usage.ru_nvcsw : 0;
  }
  void Note(bool waited) {
    reads_.fetch_add(1, std::memory_order_relaxed);
    if (waited) waited_.fetch_add(1, std::memory_order_relaxed);
  }
  // Most of the reads watched waited.
  bool ReadsWait() const { return waited_.load() * 2 > reads_.load(); }

 private:
  std::atomic<std::size_t> reads_{0};
  std::atomic<std::size_t> waited_{0};
};

// Reads a drawing's preview into the calling thread's buffer (see
// ReadThreadPreviewInTurn), telling `probe`, when given, whether the read
// waited. The probe watches runs on no more threads than turns, where a
// turn is never waited for.
PreviewImage* ReadPreview(const std::string& path, Turn& turn, int& readError, StorageProbe* probe) {
  const long switches = probe != nullptr ? StorageProbe::Switches() : 0;
  PreviewImage* image = ReadThreadPreviewInTurn(path, turn, readError);
  if (probe != nullptr) probe->Note(StorageProbe::Switches() != switches);
  return image;
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
// the writing of the file, so that it can run on any thread. The reading
// needs no turn; the rest does.
Thumbnail MakeThumbnail(const FoundFile& drawing, OutputFormat format, Turns& turns, StorageProbe* probe) {
  Thumbnail thumbnail;
  Turn turn(turns);
  PreviewImage* image = ReadPreview(drawing.path, turn, thumbnail.readError, probe);
  if (image == nullptr) return thumbnail;
  turn.Take();
  const DrawingPicture preview = DecodeDrawingPicture(image->data.get(), image->length);
  image->Trim(kKeptPreviewBytes);
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

// produce(i, probe) for every drawing i in [0, count), consume(i, result)
// in order (see RunInOrder): the first StorageProbe::kDrawings on the
// working threads, watched by a probe, then the rest on the reading threads
// when those reads waited on the storage, or else on the working threads.
template <typename Produce, typename Consume>
void RunOverDrawings(std::size_t count, BatchThreads threads, Produce&& produce, Consume&& consume) {
  if (threads.reading <= threads.working) {
    RunInOrder(count, threads.working, [&](std::size_t i) { return produce(i, nullptr); }, consume);
    return;
  }
  StorageProbe probe;
  const std::size_t probed = std::min(count, StorageProbe::kDrawings);
  RunInOrder(probed, threads.working, [&](std::size_t i) { return produce(i, &probe); }, consume);
  RunInOrder(
      count - probed, probe.ReadsWait() ? threads.reading : threads.working,
      [&](std::size_t i) { return produce(probed + i, nullptr); },
      [&](std::size_t i, auto&& result) { consume(probed + i, std::move(result)); });
}

}  // namespace

BatchResult ListPreviews(const std::vector<FoundFile>& drawings, BatchThreads threads, std::ostream& out,
                         std::ostream& err) {
  struct Listed {
    std::optional<PreviewInfo> info;
    int readError = 0;
  };
  BatchResult result;
  Turns turns(threads.working);
  RunOverDrawings(
      drawings.size(), threads,
      [&](std::size_t i, StorageProbe* probe) -> Listed {
        Turn turn(turns);
        int readError = 0;
        PreviewImage* image = ReadPreview(drawings[i].path, turn, readError, probe);
        if (image == nullptr) return Listed{std::nullopt, readError};
        Listed listed{ReadPreviewInfo(image->data.get(), image->length), 0};
        image->Trim(kKeptPreviewBytes);
        return listed;
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

BatchResult ExportPreviews(const std::vector<FoundFile>& drawings, OutputFormat format, BatchThreads threads,
                           std::ostream& out, std::ostream& err, const ExportOptions& options) {
  BatchResult result;
  Turns turns(threads.working);
  const std::string extension = OutputFormatText(format);
  std::string madeFolder;  // the output folder last made, so each is made once
  // Files are written in name order, so that of two drawings whose images
  // share a name the first one's is kept.
  SaveBatch batch;
  RunOverDrawings(
      drawings.size(), threads,
      [&](std::size_t i, StorageProbe* probe) { return MakeThumbnail(drawings[i], format, turns, probe); },
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
