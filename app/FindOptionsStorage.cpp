#include "FindOptionsStorage.h"

#include "FindSettings.h"
#include "SettingsStore.h"

namespace scrivora {

namespace {
constexpr const char* kFindOptionsName = "FindSettings";
}  // namespace

void loadFindOptions(FindSettings& find, SettingsStore& store) {
  const FindSettings::OptionBytes defaults = FindSettings::kDefaultOptionBytes;
  store.ensureDefault(kFindOptionsName, kFindOptionsTag, defaults.data(), defaults.size());
  FindSettings::OptionBytes options = find.toBytes();
  // A value of another type or a missing one leaves the options as they are.
  if (store.read(kApplicationScope, kFindOptionsName, kFindOptionsTag, options.data(), options.size()))
    find.fromBytes(options);
}

void saveFindOptions(const FindSettings& find, SettingsStore& store) {
  const FindSettings::OptionBytes options = find.toBytes();
  store.write(kApplicationScope, kFindOptionsName, kFindOptionsTag, options.data(), options.size());
}

}  // namespace scrivora
