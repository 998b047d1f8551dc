// The per-user settings store on Linux: QSettings under the organization
// (the registry key name) and the application's name.
#pragma once

#include <QString>

#include "app/settings_store.h"

namespace pictrove {

class QtSettingsStore : public SettingsStore {
 public:
  QtSettingsStore(const QString& organization, const QString& application);

  int GetProfileInt(const std::string& section, const std::string& key, int defaultValue) override;
  void WriteProfileInt(const std::string& section, const std::string& key, int value) override;

 private:
  QString organization_;
  QString application_;
};

}  // namespace pictrove
