// The dialog on a large folder, as a user meets it: the real window opened on
// FOLDER, timed until the scan is over and the first thumbnail is painted;
// then the Right arrow held for a few seconds, as the keyboard's auto-repeat
// sends it (25 presses a second by default on X), with the longest gap
// between two thumbnails painted at new positions. Run it under Xvfb.
//
//   bench_dialog FOLDER [SECONDS [PRESSES_PER_SECOND]]
//
// Prints the time to the first thumbnail, the steps painted against the
// presses sent, the longest gap between two steps, and the process's peak
// memory.
#include <sys/resource.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/dialog/preview_app.h"
#include "app/dialog/preview_dialog.h"
#include "app/qt/preview_window.h"
#include "app/qt/qt_settings_store.h"
#include "app/qt/up_down_control.h"
#include "platform/gdi.h"

namespace {

using namespace pictrove;

// Notes each paint of the thumbnail that shows a position not painted just
// before, once the scan is over.
class PaintWatch : public QObject {
 public:
  PaintWatch(const PreviewDialog& dialog, const QElapsedTimer& clock) : dialog_(dialog), clock_(clock) {}

  std::vector<double> steps;  // milliseconds since the start, per new position

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint && !dialog_.Scanning() && dialog_.EntryCount() > 0 &&
        dialog_.CurrentIndex() != shown_) {
      shown_ = dialog_.CurrentIndex();
      steps.push_back(static_cast<double>(clock_.nsecsElapsed()) / 1e6);
    }
    return false;
  }

 private:
  const PreviewDialog& dialog_;
  const QElapsedTimer& clock_;
  int shown_ = -1;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || argc > 4) {
    std::fprintf(stderr, "usage: bench_dialog FOLDER [SECONDS [PRESSES_PER_SECOND]]\n");
    return 2;
  }
  const std::string folder = argv[1];
  const double seconds = argc >= 3 ? std::max(1.0, std::atof(argv[2])) : 5.0;
  const double rate = argc >= 4 ? std::max(1.0, std::atof(argv[3])) : 25.0;

  QApplication application(argc, argv);
  SetScreenBitsPerPixel(ModelledScreenDepth(QApplication::primaryScreen()->depth()));
  QtSettingsStore settings(QStringLiteral("PictroveBench"), QStringLiteral("bench_dialog"));
  PreviewWindow window(settings);
  PreviewDialog dialog(window);
  window.attach(&dialog);

  QElapsedTimer clock;
  PaintWatch watch(dialog, clock);
  double firstThumbnailMs = -1;
  int presses = 0;
  std::size_t entries = 0;
  QTimer press;
  press.setInterval(static_cast<int>(1000.0 / rate));
  QObject::connect(&press, &QTimer::timeout, [&] {
    if (static_cast<double>(clock.elapsed()) - firstThumbnailMs > seconds * 1000.0) {
      press.stop();
      // Leaves time for the presses still queued to be painted.
      QTimer::singleShot(500, &window, [&] { dialog.OnCancel(); });
      return;
    }
    ++presses;
    QCoreApplication::postEvent(window.upDown(),
                                new QKeyEvent(QEvent::KeyPress, Qt::Key_Right, Qt::NoModifier, QString(), true));
  });
  // Waits for the first thumbnail, then starts holding the key.
  QTimer ready;
  ready.setInterval(1);
  QObject::connect(&ready, &QTimer::timeout, [&] {
    if (watch.steps.empty()) return;
    ready.stop();
    firstThumbnailMs = watch.steps.front();
    entries = dialog.EntryCount();
    window.upDown()->setFocus();
    press.start();
  });

  window.RunWhenShown([&] {
    if (QWidget* layer = window.findChild<QWidget*>(QStringLiteral("thumbnailLayer"))) {
      layer->installEventFilter(&watch);
    }
    ready.start();
  });
  clock.start();
  dialog.DoModal(folder);
  window.attach(nullptr);

  if (firstThumbnailMs < 0) {
    std::fprintf(stderr, "bench_dialog: no thumbnail was shown for %s\n", folder.c_str());
    return 1;
  }
  double longest = 0;
  for (std::size_t i = 2; i < watch.steps.size(); ++i) {
    longest = std::max(longest, watch.steps[i] - watch.steps[i - 1]);
  }
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  std::printf("%zu entries; first thumbnail after %.0f ms\n", entries, firstThumbnailMs);
  std::printf("held Right for %.0f s at %.0f presses a second: %d presses, %zu steps painted, "
              "longest gap between steps %.0f ms (a press every %.0f ms)\n",
              seconds, rate, presses, watch.steps.size() - 1, longest, 1000.0 / rate);
  std::printf("peak memory %.1f MB\n", static_cast<double>(usage.ru_maxrss) / 1024.0);
  return 0;
}
