// The KIO thumbnail plugin in process, on the largest real preview
// (r2010-large-preview.dwg, 672 x 448, or a generated drawing of that shape
// when the shared folder is absent):
//   BM_PluginCreate/SIZE      one create() of the built plugin, loaded as
//                             the thumbnail worker loads it, for SIZE x SIZE
//   BM_ThumbnailerWork/SIZE   the thumbnailer's in-process work on the same
//                             drawing (read, decode, scale), in this program
// Their difference is what the plugin adds: the QImage and its copy of the
// rows.
#include <KIO/ThumbnailCreator>
#include <KPluginFactory>
#include <KPluginMetaData>
#include <QImage>
#include <QUrl>
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "app/core/toolkit_session.h"
#include "tests/support/temp_dir.h"
#include "thumbnailer/drawing_thumbnail.h"
#include "tools/builders/bmp_builder.h"
#include "tools/builders/dwg_builder.h"

namespace {

const testsupport::TempDir& Scratch() {
  static const testsupport::TempDir scratch;
  return scratch;
}

const std::string& Drawing() {
  static const std::string path = [] {
    const std::string real = testsupport::realDrawingsDir();
    if (!real.empty()) return real + "/r2010-large-preview.dwg";
    testsupport::BmpLayout layout;
    layout.width = 672;
    layout.height = 448;
    layout.palette = testsupport::greyPalette(256);
    layout.pixels = testsupport::packRows(672, 448, 8, [](int x, int y) {
      return static_cast<std::uint32_t>(x % 37 == 0 || y % 23 == 0 ? 255 : 20);
    });
    return Scratch().write("large.dwg",
                           testsupport::dwgWithDib("AC1024", testsupport::dibBytes(layout)));
  }();
  return path;
}

// The built plugin, loaded once.
KIO::ThumbnailCreator* Plugin() {
  static const std::unique_ptr<KIO::ThumbnailCreator> creator = [] {
    const KPluginMetaData metaData(QStringLiteral(PICTROVE_KIO_PLUGIN));
    return std::unique_ptr<KIO::ThumbnailCreator>(
        KPluginFactory::instantiatePlugin<KIO::ThumbnailCreator>(metaData).plugin);
  }();
  return creator.get();
}

void BM_PluginCreate(benchmark::State& state) {
  KIO::ThumbnailCreator* creator = Plugin();
  if (creator == nullptr) {
    state.SkipWithError("the plugin did not load");
    return;
  }
  const int size = static_cast<int>(state.range(0));
  const KIO::ThumbnailRequest request(QUrl::fromLocalFile(QString::fromStdString(Drawing())),
                                      QSize(size, size), QStringLiteral("image/vnd.dwg"), 1.0, 0);
  for (auto _ : state) {
    const KIO::ThumbnailResult result = creator->create(request);
    if (!result.isValid()) state.SkipWithError("no thumbnail");
    benchmark::DoNotOptimize(result.image().constBits());
  }
}
BENCHMARK(BM_PluginCreate)->Arg(128)->Arg(256)->Arg(1024)->Unit(benchmark::kMillisecond);

void BM_ThumbnailerWork(benchmark::State& state) {
  const pictrove::ToolkitSession toolkit;
  if (!toolkit.started()) {
    state.SkipWithError("the toolkit did not start");
    return;
  }
  for (auto _ : state) {
    pictrove::ThumbnailPicture thumbnail;
    if (pictrove::MakeDrawingThumbnail(Drawing(), static_cast<std::uint32_t>(state.range(0)),
                                       thumbnail) != pictrove::PictureResult::Made)
      state.SkipWithError("no thumbnail");
    benchmark::DoNotOptimize(thumbnail.pixels());
  }
}
BENCHMARK(BM_ThumbnailerWork)->Arg(128)->Arg(256)->Arg(1024)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
