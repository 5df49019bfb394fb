#include "FindSettings.h"

#include <algorithm>

namespace scrivora {

namespace {

std::string cutToLimit(const std::string& text) { return text.substr(0, FindSettings::kMaxTextLength); }

}  // namespace

void FindSettings::setFindText(const std::string& text) {
  const std::string cut = cutToLimit(text);
  if (cut == findText_) return;
  findText_ = cut;
  notify(Change::FindText);
}

void FindSettings::setReplaceText(const std::string& text) {
  const std::string cut = cutToLimit(text);
  if (cut == replaceText_) return;
  replaceText_ = cut;
  notify(Change::ReplaceText);
}

void FindSettings::setCaseSensitive(bool on) {
  if (on == caseSensitive_) return;
  caseSensitive_ = on;
  notify(Change::Options);
}

void FindSettings::setEntireWord(bool on) {
  if (on == entireWord_) return;
  entireWord_ = on;
  notify(Change::Options);
}

void FindSettings::setRegex(bool on) {
  if (on == regex_) return;
  regex_ = on;
  if (on) caseSensitive_ = true;
  notify(Change::Options);
}

FindSettings::OptionBytes FindSettings::toBytes() const {
  return {uint8_t(caseSensitive_), uint8_t(entireWord_), uint8_t(regex_)};
}

void FindSettings::fromBytes(const OptionBytes& bytes) {
  const bool caseSensitive = bytes[0] != 0, entireWord = bytes[1] != 0, regex = bytes[2] != 0;
  if (caseSensitive == caseSensitive_ && entireWord == entireWord_ && regex == regex_) return;
  caseSensitive_ = caseSensitive;
  entireWord_ = entireWord;
  regex_ = regex;
  notify(Change::Options);
}

int FindSettings::addListener(Listener listener) {
  listeners_.emplace_back(nextListenerId_, std::move(listener));
  return nextListenerId_++;
}

void FindSettings::removeListener(int id) {
  listeners_.erase(std::remove_if(listeners_.begin(), listeners_.end(), [id](const auto& l) { return l.first == id; }),
                   listeners_.end());
}

void FindSettings::notify(Change change) {
  // A listener may remove itself while being told.
  const auto listeners = listeners_;
  for (const auto& listener : listeners) listener.second(change);
}

}  // namespace scrivora
