#include "app/qt/qt_settings_store.h"

#include <QSettings>

namespace pictrove {
namespace {

QString KeyOf(const std::string& section, const std::string& key) {
  return QString::fromStdString(section) + QLatin1Char('/') + QString::fromStdString(key);
}

// Printable ASCII other than "%" stays as it is; a path stays readable.
const QByteArray& Unencoded() {
  static const QByteArray kept = [] {
    QByteArray bytes;
    for (char c = ' '; c < 0x7F; ++c)
      if (c != '%') bytes.append(c);
    return bytes;
  }();
  return kept;
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

namespace pictrove {

std::string QtSettingsStore::GetProfileString(const std::string& section, const std::string& key,
                                              const std::string& defaultValue) {
  const QSettings settings(organization_, application_);
  const QVariant value = settings.value(KeyOf(section, key));
  if (!value.isValid()) return defaultValue;
  return QByteArray::fromPercentEncoding(value.toString().toLatin1()).toStdString();
}

void QtSettingsStore::WriteProfileString(const std::string& section, const std::string& key,
                                         const std::string& value) {
  QSettings settings(organization_, application_);
  const QByteArray bytes(value.data(), static_cast<qsizetype>(value.size()));
  settings.setValue(KeyOf(section, key), QString::fromLatin1(bytes.toPercentEncoding(Unencoded())));
  settings.sync();
}

}  // namespace pictrove
