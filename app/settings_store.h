// The per-user settings store behind the application's profile functions.
#pragma once

#include <string>

namespace pictrove {

class SettingsStore {
 public:
  virtual ~SettingsStore() = default;
  // The integer `key` of `section`, or `defaultValue` when it is missing or
  // unreadable.
  virtual int GetProfileInt(const std::string& section, const std::string& key,
                            int defaultValue) = 0;
  // Stores the integer; a failure is ignored.
  virtual void WriteProfileInt(const std::string& section, const std::string& key, int value) = 0;
};

}  // namespace pictrove
