// Pictrove: the dialog (opening the folder or drawing given, if any), or the
// headless command line, which needs no display.
#include <malloc.h>
#include <unistd.h>

#include <QApplication>
#include <cstdlib>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "app/cli/command_line.h"
#include "app/dialog/preview_app.h"
#include "app/qt/app_icon.h"
#include "app/qt/dialog_units.h"
#include "app/qt/display_probe.h"
#include "app/qt/message_boxes.h"
#include "app/qt/qt_settings_store.h"
#include "app/qt/qt_startup_host.h"
#include "app/dialog/resource_ids.h"
#include "app/dialog/string_table.h"

namespace {

bool DisplayAvailable() {
  const char* platform = std::getenv("QT_QPA_PLATFORM");
  if (platform != nullptr && platform[0] != '\0') return true;
  const char* x11 = std::getenv("DISPLAY");
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  return (x11 != nullptr && x11[0] != '\0') || (wayland != nullptr && wayland[0] != '\0');
}

// A scan decodes, scales and composes every preview in a few buffers that
// are freed again at once. Keep freed heap memory and the usual buffer sizes
// in the heap instead of handing them back to the system after each drawing,
// which made every drawing pay its page faults again.
void TuneHeapForScans() {
  mallopt(M_MMAP_THRESHOLD, 4 << 20);
  mallopt(M_TRIM_THRESHOLD, 32 << 20);
}

}  // namespace

int main(int argc, char** argv) {
  using namespace pictrove;
  TuneHeapForScans();
  const std::string title = LoadAppString(IDS_APP_TITLE);
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  const CommandLine commandLine(arguments);
  if (commandLine.mode() != CommandLine::Mode::Dialog) {
    QtSettingsStore settings(QString::fromStdString(LoadAppString(IDS_REGISTRY_KEY)),
                             QString::fromStdString(title));
    Terminals terminals;
    terminals.out = isatty(STDOUT_FILENO) == 1;
    terminals.err = isatty(STDERR_FILENO) == 1;
    return commandLine.Run(settings, std::cout, std::cerr, terminals);
  }
  if (!DisplayAvailable()) {
    std::cerr << "pictrove: no display found; the dialog needs a desktop session.\n"
              << "The same work runs headless, for example: pictrove --export FOLDER\n";
    return 1;
  }
  std::string problem;
  if (!XDisplayReachable(problem)) {
    std::cerr << "pictrove: " << problem << "\n"
              << "The dialog needs a desktop session. The same work runs headless, for example:\n"
              << "pictrove --export FOLDER\n";
    return 1;
  }

  std::optional<QApplication> application;
  {
    const QtStartGuard guard;
    application.emplace(argc, argv);
  }
  QCoreApplication::setApplicationName(QString::fromStdString(title));
  QApplication::setWindowIcon(AppIcon());
  // One font for every window, tooltips and menus included.
  QApplication::setFont(DialogFont());
  InstallQtMessageBoxHandler();

  QtStartupHost host;
  host.setOpenPath(commandLine.path());
  PreviewApp theApp(host);
  theApp.InitInstance();
  return 0;
}
