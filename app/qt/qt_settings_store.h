// The per-user settings store on Linux: QSettings under the organization
// (the registry key name) and the application's name.
#pragma once

#include <QString>

#include "app/dialog/settings_store.h"

namespace pictrove {

class QtSettingsStore : public SettingsStore {
 public:
  QtSettingsStore(const QString& organization, const QString& application);

  int GetProfileInt(const std::string& section, const std::string& key, int defaultValue) override;
  void WriteProfileInt(const std::string& section, const std::string& key, int value) override;
  // Strings are stored percent-encoded: any byte outside printable ASCII,
  // and "%" itself, as %XX, so that every byte comes back as it went in.
  std::string GetProfileString(const std::string& section, const std::string& key,
                               const std::string& defaultValue) override;
  void WriteProfileString(const std::string& section, const std::string& key,
                          const std::string& value) override;

 private:
  QString organization_;
  QString application_;
};

}  // namespace pictrove
