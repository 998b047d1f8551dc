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
  // The string `key` of `section` as the bytes that were stored (any bytes,
  // not only UTF-8), or `defaultValue` when it is missing.
  virtual std::string GetProfileString(const std::string& section, const std::string& key,
                                       const std::string& defaultValue) = 0;
  // Stores the bytes; a failure is ignored.
  virtual void WriteProfileString(const std::string& section, const std::string& key,
                                  const std::string& value) = 0;
};

}  // namespace pictrove
