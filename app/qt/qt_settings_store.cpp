#include "app/qt/qt_settings_store.h"

#include <QSettings>

namespace pictrove {
namespace {

QString KeyOf(const std::string& section, const std::string& key) {
  return QString::fromStdString(section) + QLatin1Char('/') + QString::fromStdString(key);
}

}  // namespace

QtSettingsStore::QtSettingsStore(const QString& organization, const QString& application)
    : organization_(organization), application_(application) {}

int QtSettingsStore::GetProfileInt(const std::string& section, const std::string& key,
                                   int defaultValue) {
  const QSettings settings(organization_, application_);
  const QVariant value = settings.value(KeyOf(section, key));
  if (!value.isValid()) return defaultValue;
  bool ok = false;
  const int number = value.toInt(&ok);
  return ok ? number : defaultValue;
}

void QtSettingsStore::WriteProfileInt(const std::string& section, const std::string& key,
                                      int value) {
  QSettings settings(organization_, application_);
  settings.setValue(KeyOf(section, key), value);
  settings.sync();
}

}  // namespace pictrove
