#pragma once
// Receives the SGML parser's events for an HTML page and writes TML: two
// tables say what to write when an element starts and ends, and a stack of
// formatting flags says which style, alignment and font tags to switch when
// the formatting in force changes from one element to the next.

#include <OpenSP/SGMLApplication.h>

#include <cstdint>
#include <string>

namespace scrivora {

namespace HtmlFlag {
constexpr uint16_t kBold = 1;
constexpr uint16_t kItalic = 2;
constexpr uint16_t kUnderline = 4;
constexpr uint16_t kOverstrike = 8;
constexpr uint16_t kLink = 16;
constexpr uint16_t kCentred = 32;
constexpr uint16_t kRightAligned = 64;
constexpr uint16_t kSmallFont = 128;
constexpr uint16_t kLargeFont = 256;
constexpr uint16_t kTextOn = 512;
constexpr uint16_t kTextOff = 1024;
}  // namespace HtmlFlag

// What the tables hold for one element.
struct HtmlElementRule {
  const char* name;
  const char* startText;
  const char* endText;
  uint16_t flags;
};

// The rule for an element name (compared without regard to case), or null
// for an element that the tables do not name.
const HtmlElementRule* findHtmlElementRule(const char* name, size_t length);
size_t htmlElementRuleCount();

class HtmlTmlWriter : public SGMLApplication {
 public:
  static constexpr size_t kMaxSavedFlags = 1000;

  explicit HtmlTmlWriter(size_t expectedOutputSize = 0);

  void startElement(const StartElementEvent& event) override;
  void endElement(const EndElementEvent& event) override;
  void data(const DataEvent& event) override;
  void sdata(const SdataEvent& event) override;
  void pi(const PiEvent& event) override;
  void nonSgmlChar(const NonSgmlCharEvent& event) override;
  // Declared entities are only counted: with the HTML document type read
  // there are hundreds, without it none.
  void generalEntity(const GeneralEntityEvent&) override { ++declaredEntities_; }
  size_t declaredEntityCount() const { return declaredEntities_; }

  const std::string& output() const { return output_; }
  std::string takeOutput() { return std::move(output_); }

 private:
  bool textOutputOn() const { return (flags_ & HtmlFlag::kTextOn) != 0; }
  void writePendingSpace();
  void writeCharacters(const Char* characters, size_t length);
  void writeCharacter(Char character);
  void writeElementName(const CharString& name);
  void writeUnknownElementMark(char mark, const CharString& name);
  void writeAttributeValue(const Attribute& attribute);
  void applyAttributes(const StartElementEvent& event, const std::string& elementName);
  void writeFlagChanges(uint16_t from, uint16_t to);
  void writeFlagChangesOnEnd(uint16_t closed, uint16_t restored);
  void writeFontTag(uint16_t flags);
  void writeAlignmentOff(uint16_t flags);
  void writeAlignmentOn(uint16_t flags);
  uint16_t savedFlagsOnTop() const { return depth_ ? savedFlags_[depth_ - 1] : 0; }

  std::string output_;
  uint16_t flags_ = 0;
  uint16_t savedFlags_[kMaxSavedFlags];
  size_t depth_ = 0;
  // Elements opened while the stack was full: they write their texts but
  // change no formatting, so that every tag they would switch stays paired.
  size_t untrackedDepth_ = 0;
  bool pendingSpace_ = false;
  size_t declaredEntities_ = 0;
};

}  // namespace scrivora
