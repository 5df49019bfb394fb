#include "FindSettings.h"

#include "SettingsStore.h"

namespace scrivora {

void FindSettings::load(SettingsStore& store) {
  const uint8_t defaults[3] = {1, 0, 0};
  store.ensureDefault(kSettingName, kFindOptionsTag, defaults, sizeof defaults);
  uint8_t options[3] = {caseSensitive, entireWord, regex};
  if (!store.read(kApplicationScope, kSettingName, kFindOptionsTag, options, sizeof options)) return;
  // Each option is a flag, whatever byte a damaged store holds.
  caseSensitive = options[0] != 0;
  entireWord = options[1] != 0;
  regex = options[2] != 0;
}

void FindSettings::save(SettingsStore& store) const {
  const uint8_t options[3] = {caseSensitive, entireWord, regex};
  store.write(kApplicationScope, kSettingName, kFindOptionsTag, options, sizeof options);
}

}  // namespace scrivora
