// The plugin end to end, as Dolphin uses it: KIO::PreviewJob asks KIO's
// thumbnail worker, which loads the plugin from QT_PLUGIN_PATH, for the
// previews of drawings made here (good ones, hostile ones, one whose reads
// fail) and of the real drawings when their folder is at hand.
//
// Every drawing must come back exactly as pictrove-thumbnailer makes it at
// the same size: the same pixels when the program writes a thumbnail, a
// failure when it writes none. All of them must be made by one worker
// process: a drawing that ended the worker would show up as a second one.
// Run twice: 256 x 256 at device pixel ratio 1, and at ratio 2, where the
// worker asks the plugin for 512 x 512.
//
//   preview_job_test PLUGIN_ID THUMBNAILER SCRATCH
// Exit status 0 passed, 1 failed.
#include <KFileItem>
#include <KIO/PreviewJob>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QProcess>
#include <QTimer>

#include <cstdio>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "tests/support/temp_dir.h"
#include "tools/builders/bmp_builder.h"
#include "tools/builders/dwg_builder.h"
#include "tools/builders/png_builder.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

int gFailures = 0;

void Fail(const QString& text) {
  std::fprintf(stderr, "FAIL %s\n", qPrintable(text));
  ++gFailures;
}

Bytes Dib(int width, int height, int bitCount) {
  testsupport::BmpLayout layout;
  layout.width = width;
  layout.height = height;
  layout.bitCount = static_cast<std::uint16_t>(bitCount);
  if (bitCount == 8) layout.palette = testsupport::greyPalette(256);
  layout.pixels = testsupport::packRows(width, height, bitCount, [bitCount](int x, int y) {
    if (bitCount == 24) return (x + y) % 9 == 0 ? 0x102030u : 0xE0C040u;
    return static_cast<std::uint32_t>(x % 17 == 0 || y % 11 == 0 ? 10 : 230);
  });
  return testsupport::dibBytes(layout);
}

Bytes AlphaPng(std::uint32_t width, std::uint32_t height) {
  testsupport::PngPicture picture;
  picture.width = width;
  picture.height = height;
  picture.colourType = testsupport::kPngRgba;
  picture.sample = [](std::uint32_t x, std::uint32_t y, int channel) -> std::uint32_t {
    if (channel == 3) return (x / 8 + y / 8) % 2 ? 0 : 255;
    return channel == 2 ? 160 : 20;
  };
  return testsupport::pngFileBytes(picture);
}

struct Drawing {
  QString name;
  Bytes bytes;
  bool good = false;  // known to carry a usable preview
  bool bad = false;   // known to carry none
};

// In the order asked for: a good drawing first and last, the hostile ones
// between them.
std::vector<Drawing> BuiltDrawings() {
  Bytes garbage(6000);
  std::uint32_t state = 99;
  for (auto& b : garbage) b = static_cast<std::uint8_t>((state = state * 1103515245 + 12345) >> 24);
  const Bytes bmp24 = testsupport::dwgWithDib("AC1018", Dib(301, 701, 24));
  // A bitmap whose header claims 60000 x 60000 pixels over a few bytes.
  testsupport::BmpLayout huge;
  huge.width = 60000;
  huge.height = 60000;
  huge.bitCount = 24;
  huge.pixels = Bytes(64, 0x55);
  std::vector<Drawing> drawings = {
      {"first-bmp8.dwg", testsupport::dwgWithDib("AC1015", Dib(600, 300, 8)), true},
      {"bmp24.dwg", bmp24, true},
      {"png-alpha.dwg", testsupport::dwgWithPng("AC1032", AlphaPng(1000, 250)), true},
      {"small-not-enlarged.dwg", testsupport::dwgWithDib("AC1024", Dib(40, 30, 8)), true},
      {"no-preview.dwg", testsupport::DwgBuilder("AC1015").headerEntry().bytes(), false, true},
      {"truncated.dwg", Bytes(bmp24.begin(), bmp24.begin() + static_cast<long>(bmp24.size() / 2)),
       false, true},
      {"garbage.dwg", garbage, false, true},
      {"empty.dwg", {}, false, true},
      {"locator-past-end.dwg", testsupport::DwgBuilder("AC1018").locator(0x7FFFFFF0).bytes(), false,
       true},
      {"entry-claims-2-GiB.dwg",
       testsupport::DwgBuilder("AC1018").headerEntry().rawEntry(testsupport::kDwgBmpEntry, 200,
                                                                0x7FFFFFFF).bytes(),
       false, true},
      {"bitmap-claims-60000-squared.dwg", testsupport::dwgWithDib("AC1018", testsupport::dibBytes(huge)),
       false, true},
      {"entry-count-255.dwg", testsupport::DwgBuilder("AC1018").entryCount(255).bytes(), false, true},
      // The read-failure shim makes every read of this name fail with EIO.
      {"read-fails.dwg", testsupport::dwgWithDib("AC1015", Dib(90, 60, 8)), false, true},
  };
  int n = 0;
  for (const std::string& path : testsupport::malformedInputs("fuzz_preview"))
    drawings.push_back({QStringLiteral("malformed-%1.dwg").arg(++n), testsupport::readFile(path)});
  drawings.push_back({"last-bmp8.dwg", testsupport::dwgWithDib("AC1014", Dib(520, 410, 8)), true});
  return drawings;
}

// pictrove-thumbnailer's thumbnail at that size, or a null image.
QImage ThumbnailerPicture(const QString& program, const QString& input, int size,
                          const QString& output) {
  QFile::remove(output);
  QProcess run;
  run.setProcessChannelMode(QProcess::ForwardedOutputChannel);
  run.start(program, {QStringLiteral("-s"), QString::number(size), input, output});
  if (!run.waitForFinished(60000) || run.exitStatus() != QProcess::NormalExit) {
    Fail(QStringLiteral("pictrove-thumbnailer did not finish on %1").arg(input));
    return {};
  }
  if (run.exitCode() != 0) return {};
  return QImage(output, "PNG");
}

// Process ids of KIO's thumbnail workers now running.
std::set<QString> ThumbnailWorkers() {
  std::set<QString> found;
  for (const QString& pid : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
    QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(pid));
    if (!cmdline.open(QIODevice::ReadOnly)) continue;
    // The worker's launcher, then the worker module's path.
    const QList<QByteArray> arguments = cmdline.readAll().split('\0');
    if (arguments.size() > 1 && arguments[0].contains("kioslave") &&
        arguments[1].endsWith("kio/thumbnail.so"))
      found.insert(pid);
  }
  return found;
}

struct Outcome {
  bool got = false;
  bool failed = false;
  QImage image;
};

// Runs one PreviewJob over the files; what each got.
std::map<QString, Outcome> Previews(const QStringList& paths, const QString& pluginId, int size,
                                    qreal ratio, std::set<QString>& workers) {
  KFileItemList items;
  for (const QString& path : paths) items.append(KFileItem(QUrl::fromLocalFile(path)));
  const QStringList plugins{pluginId};
  auto* job = new KIO::PreviewJob(items, QSize(size, size), &plugins);
  job->setDevicePixelRatio(ratio);
  job->setIgnoreMaximumSize(true);
  std::map<QString, Outcome> outcomes;
  QObject::connect(job, &KIO::PreviewJob::gotPreview, [&](const KFileItem& item, const QPixmap& pixmap) {
    Outcome& outcome = outcomes[item.localPath()];
    outcome.got = true;
    outcome.image = pixmap.toImage();
    for (const QString& pid : ThumbnailWorkers()) workers.insert(pid);
  });
  QObject::connect(job, &KIO::PreviewJob::failed, [&](const KFileItem& item) {
    outcomes[item.localPath()].failed = true;
    for (const QString& pid : ThumbnailWorkers()) workers.insert(pid);
  });
  QEventLoop loop;
  QObject::connect(job, &KJob::result, &loop, &QEventLoop::quit);
  QTimer::singleShot(240000, &loop, [&] {
    Fail(QStringLiteral("the preview job did not finish in 4 minutes"));
    job->kill();
    loop.quit();
  });
  loop.exec();
  return outcomes;
}

bool SamePixels(const QImage& got, const QImage& expected) {
  if (got.size() != expected.size()) return false;
  const QImage a = got.convertToFormat(QImage::Format_RGB888);
  const QImage b = expected.convertToFormat(QImage::Format_RGB888);
  for (int y = 0; y < a.height(); ++y)
    if (std::memcmp(a.constScanLine(y), b.constScanLine(y), static_cast<std::size_t>(a.width()) * 3))
      return false;
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  QGuiApplication app(argc, argv);
  if (argc != 4) {
    std::fprintf(stderr, "usage: preview_job_test PLUGIN_ID THUMBNAILER SCRATCH\n");
    return 2;
  }
  const QString pluginId = QString::fromLocal8Bit(argv[1]);
  const QString thumbnailer = QString::fromLocal8Bit(argv[2]);
  const QString scratch = QString::fromLocal8Bit(argv[3]);
  if (!KIO::PreviewJob::availablePlugins().contains(pluginId)) {
    Fail(QStringLiteral("PreviewJob does not find the plugin %1 (QT_PLUGIN_PATH=%2)")
             .arg(pluginId, qEnvironmentVariable("QT_PLUGIN_PATH")));
    return 1;
  }

  const QString folder = scratch + QStringLiteral("/drawings");
  QDir().mkpath(folder);
  QStringList paths;
  std::map<QString, Drawing> known;
  for (Drawing& drawing : BuiltDrawings()) {
    const QString path = folder + QLatin1Char('/') + drawing.name;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(reinterpret_cast<const char*>(drawing.bytes.data()),
                   static_cast<qint64>(drawing.bytes.size())) != static_cast<qint64>(drawing.bytes.size())) {
      Fail(QStringLiteral("cannot write %1").arg(path));
      return 1;
    }
    paths.append(path);
    known[path] = drawing;
  }
  const std::string real = testsupport::realDrawingsDir();
  if (real.empty()) {
    std::printf("SKIP the real drawings: their folder is absent\n");
  } else {
    const QDir realDir(QString::fromStdString(real));
    for (const QString& name : realDir.entryList({"*.dwg", "*.dxf"}, QDir::Files, QDir::Name))
      paths.insert(paths.size() - 1, realDir.filePath(name));  // before the last good one
  }

  struct Pass {
    int size;
    qreal ratio;
  };
  int made = 0;
  for (const Pass pass : {Pass{256, 1.0}, Pass{256, 2.0}}) {
    const int pixels = static_cast<int>(pass.size * pass.ratio);
    std::set<QString> workers;
    const std::map<QString, Outcome> outcomes = Previews(paths, pluginId, pass.size, pass.ratio, workers);
    for (const QString& path : paths) {
      const QString what = QStringLiteral("%1 at %2 x %2, ratio %3").arg(QFileInfo(path).fileName()).arg(pass.size).arg(pass.ratio);
      const QImage expected = ThumbnailerPicture(thumbnailer, path, pixels, scratch + "/expected.png");
      const auto found = outcomes.find(path);
      const Outcome outcome = found == outcomes.end() ? Outcome{} : found->second;
      const auto drawing = known.find(path);
      if (drawing != known.end() && drawing->second.good && expected.isNull())
        Fail(what + ": pictrove-thumbnailer made no thumbnail of a good drawing");
      if (drawing != known.end() && drawing->second.bad && !expected.isNull())
        Fail(what + ": pictrove-thumbnailer made a thumbnail of a drawing without one");
      if (outcome.got == outcome.failed) {
        Fail(what + ": neither one preview nor a failure");
      } else if (expected.isNull()) {
        if (outcome.got) Fail(what + ": a preview where pictrove-thumbnailer makes none");
      } else if (!outcome.got) {
        Fail(what + ": no preview");
      } else if (!SamePixels(outcome.image, expected)) {
        Fail(QStringLiteral("%1: %2 x %3, not pictrove-thumbnailer's %4 x %5 pixels")
                 .arg(what).arg(outcome.image.width()).arg(outcome.image.height())
                 .arg(expected.width()).arg(expected.height()));
      } else {
        ++made;
        std::printf("ok   %s: %d x %d\n", qPrintable(what), expected.width(), expected.height());
      }
    }
    if (workers.size() != 1)
      Fail(QStringLiteral("%1 thumbnail worker processes made the previews, not one: %2")
               .arg(workers.size())
               .arg(QStringList(workers.begin(), workers.end()).join(QLatin1Char(' '))));
  }
  if (gFailures != 0) {
    std::fprintf(stderr, "preview_job_test: %d failure(s)\n", gFailures);
    return 1;
  }
  std::printf("preview_job_test: %d previews, all with pictrove-thumbnailer's pixels\n", made);
  return 0;
}
