#pragma once
// The application's one set of search choices: what to find, what to put in
// its place, and the three options. The Find dialog shows them and is told of
// every change; the options outlive a run as three bytes in the settings
// store.

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace scrivora {

class FindSettings {
 public:
  // Both texts are Windows-1252 bytes, the characters of the editor text.
  static constexpr size_t kMaxTextLength = 255;
  // The options as persisted: Case Sensitive, Entire Word, RegEx.
  using OptionBytes = std::array<uint8_t, 3>;
  static constexpr OptionBytes kDefaultOptionBytes{1, 0, 0};

  enum class Change { FindText, ReplaceText, Options };
  using Listener = std::function<void(Change)>;

  const std::string& findText() const { return findText_; }
  const std::string& replaceText() const { return replaceText_; }
  // Each keeps at most kMaxTextLength characters; listeners hear only of a
  // text that actually changed.
  void setFindText(const std::string& text);
  void setReplaceText(const std::string& text);

  bool caseSensitive() const { return caseSensitive_; }
  bool entireWord() const { return entireWord_; }
  bool regex() const { return regex_; }
  void setCaseSensitive(bool on);
  void setEntireWord(bool on);
  // A regular expression is matched case-sensitively unless the user turns
  // that off again afterwards, so switching RegEx on switches Case Sensitive on.
  void setRegex(bool on);
  // Entire Word only applies to a literal search; the dialog greys it out.
  bool entireWordApplies() const { return entireWord_ && !regex_; }

  OptionBytes toBytes() const;
  // Any byte other than 0 counts as on, whatever wrote it.
  void fromBytes(const OptionBytes& bytes);

  // Returns an id for removeListener.
  int addListener(Listener listener);
  void removeListener(int id);

 private:
  void notify(Change change);

  std::string findText_, replaceText_;
  bool caseSensitive_ = true, entireWord_ = false, regex_ = false;
  std::vector<std::pair<int, Listener>> listeners_;
  int nextListenerId_ = 1;
};

}  // namespace scrivora
