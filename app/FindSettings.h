#pragma once
// The find and replace options, one set for the whole program: the search
// and replacement texts (for this run only) and three option bytes that
// persist in the settings store as "FindSettings".

#include <cstdint>
#include <string>

namespace scrivora {

class SettingsStore;

struct FindSettings {
  static constexpr const char* kSettingName = "FindSettings";

  std::string findText;
  std::string replaceText;
  uint8_t caseSensitive = 1;
  uint8_t entireWord = 0;
  uint8_t regex = 0;

  // Reads the options, storing the defaults at once when there are none.
  void load(SettingsStore& store);
  void save(SettingsStore& store) const;
};

}  // namespace scrivora
