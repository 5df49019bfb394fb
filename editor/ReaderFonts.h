#pragma once
// The reader's fonts. The formats keep the reader's face names exactly; the
// program makes faces of those names available for as long as it runs, with
// each character as wide as on the handheld (so lines break as they will
// there). Where those font files are missing, drawing maps the names to
// fonts that are installed.

#include <QString>
#include <QStringList>

#include <vector>

namespace scrivora {

// Registers the substitutes once per process; later calls do nothing.
void substituteReaderFonts();

// The font files of the reader's faces, in the order they are registered.
const QStringList& readerFontFiles();

// Makes the reader's faces available from a folder for this object's
// lifetime, and removes them again, in the same order, when it ends.
class ReaderFontRegistration {
 public:
  explicit ReaderFontRegistration(const QString& folder);
  ~ReaderFontRegistration();
  ReaderFontRegistration(const ReaderFontRegistration&) = delete;
  ReaderFontRegistration& operator=(const ReaderFontRegistration&) = delete;

  // How many of the files were registered.
  int registered() const { return int(ids_.size()); }

 private:
  std::vector<int> ids_;
};

}  // namespace scrivora
