#pragma once
// The find options outlive a run as three bytes (Case Sensitive, Entire Word,
// RegEx) stored as "FindSettings"; the search and replacement texts do not.

namespace scrivora {

class FindSettings;
class SettingsStore;

// Reads the options; when none are stored, the defaults are stored at once.
void loadFindOptions(FindSettings& find, SettingsStore& store);
void saveFindOptions(const FindSettings& find, SettingsStore& store);

}  // namespace scrivora
