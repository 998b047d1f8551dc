#include "tests/dialog/qt_test_support.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <cstdlib>
#include <memory>

#include "tests/support/temp_dir.h"

namespace apptest {
namespace {

// The QApplication of the test program, with settings in a folder of its
// own so that no test touches the user's.
class QtEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    config_ = std::make_unique<testsupport::TempDir>();
    setenv("XDG_CONFIG_HOME", config_->path().c_str(), 1);
    static int argc = 1;
    static char name[] = "pictrove-tests";
    static char* argv[] = {name, nullptr};
    app_ = std::make_unique<QApplication>(argc, argv);
  }
  void TearDown() override {
    app_.reset();
    config_.reset();
  }

 private:
  std::unique_ptr<testsupport::TempDir> config_;
  std::unique_ptr<QApplication> app_;
};

const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new QtEnvironment);

}  // namespace

void WhenModal(std::function<void(QWidget*)> action, std::function<bool(QWidget*)> accepts) {
  auto* timer = new QTimer;
  timer->setInterval(10);
  QObject::connect(timer, &QTimer::timeout, [timer, action, accepts] {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr || !modal->isVisible()) return;
    if (accepts && !accepts(modal)) return;
    timer->stop();
    timer->deleteLater();
    action(modal);
  });
  timer->start();
}

void AcceptNextMessageBox(std::string* text) {
  WhenModal([text](QWidget* modal) {
    auto* box = qobject_cast<QMessageBox*>(modal);
    ASSERT_NE(box, nullptr) << "expected a message box";
    if (text != nullptr) *text = box->text().toStdString();
    box->defaultButton()->click();
  }, [](QWidget* modal) { return qobject_cast<QMessageBox*>(modal) != nullptr; });
}

}  // namespace apptest
