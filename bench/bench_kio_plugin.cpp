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
#include "bench/bench_support.h"
#include "bench/make_thumbnail_bench.h"
#include "thumbnailer/drawing_thumbnail.h"

namespace {

const std::string& Drawing() { return benchsupport::LargePreviewDrawing(); }

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

void BM_ThumbnailerWork(benchmark::State& state) { benchsupport::MakeLargeThumbnails(state); }
BENCHMARK(BM_ThumbnailerWork)->Arg(128)->Arg(256)->Arg(1024)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
