#include "Clipboard.h"

#include <QClipboard>
#include <QGuiApplication>

#include "BookObject.h"
#include "TmlLoader.h"
#include "TmlWriter.h"

namespace scrivora {

const char* const kTmlFragmentMimeType = "application/x-scrivora-tml";
const char* const kObjectRecordsMimeType = "application/x-scrivora-objects";

namespace {

QString plainTextOf(const RichTextView& view, int start, int end) {
  QString text;
  for (EditorChar c : view.textOf(start, end)) {
    if (c == kObjectChar) continue;
    if (c == kParagraphEndChar)
      text += QLatin1Char('\n');
    else if (isOutsideCodePage(c))
      text += QChar(unicodeOfOutside(c));
    else
      text += QChar(unicodeFromCodePage(uint8_t(c)));
  }
  return text;
}

QByteArray objectRecordsOf(const RichTextView& view, int start, int end) {
  QByteArray records;
  for (BookObject o = nextBookObject(view, start - 1); o.isPresent() && o.position < end;
       o = nextBookObject(view, o.position)) {
    const std::vector<uint8_t> record = o.data.toRecord();
    records.append(reinterpret_cast<const char*>(record.data()), qsizetype(record.size()));
  }
  return records;
}

// The pasted objects get back the records they were copied with, in order,
// where the kinds agree; what only lives while running stays as made here.
void restoreObjectRecords(RichTextView& view, int start, int end, const QByteArray& records) {
  const auto* bytes = reinterpret_cast<const uint8_t*>(records.constData());
  size_t offset = 0;
  for (BookObject o = nextBookObject(view, start - 1); o.isPresent() && o.position < end;
       o = nextBookObject(view, o.position)) {
    BookObjectData copied;
    if (!BookObjectData::fromRecord(bytes + offset, size_t(records.size()) - offset, copied)) break;
    offset += BookObjectData::kRecordSize;
    if (copied.kind != o.data.kind) continue;
    copied.owner = o.data.owner;
    copied.picture = o.data.picture;
    if (copied.kind == kind::tab) {
      // Where a tab starts depends on where it now stands.
      copied.tabStart = o.data.tabStart;
    }
    view.setObjectData(o.position, copied);
  }
}

}  // namespace

std::unique_ptr<QMimeData> mimeDataForRange(RichTextView& view, int start, int end) {
  auto data = std::make_unique<QMimeData>();
  TmlWriteOptions options;
  options.start = start;
  options.end = end;
  options.fullImagePaths = true;
  options.leaveLastParagraphOpen = true;
  const std::string tml = writeTml(view, nullptr, options);
  data->setData(kTmlFragmentMimeType, QByteArray(tml.data(), qsizetype(tml.size())));
  data->setData(kObjectRecordsMimeType, objectRecordsOf(view, start, end));
  data->setText(plainTextOf(view, start, end));
  return data;
}

bool insertMimeData(RichTextView& view, const QMimeData& data) {
  const bool hasFragment = data.hasFormat(kTmlFragmentMimeType);
  if (!hasFragment && !data.hasText()) return false;
  view.beginEditGroup();
  const int start = view.selectionStart();
  view.removeText(start, view.selectionEnd());
  view.setCaret(start);
  if (hasFragment) {
    const QByteArray tml = data.data(kTmlFragmentMimeType);
    TmlLoadOptions options;
    options.imageValuesArePaths = true;
    options.keepUndo = true;
    loadTmlFromMemory(std::string(tml.constData(), size_t(tml.size())), options, nullptr, &view);
    restoreObjectRecords(view, start, view.caret(), data.data(kObjectRecordsMimeType));
  } else {
    QString text = data.text();
    text.replace(QLatin1String("\r\n"), QLatin1String("\r"));
    text.replace(QLatin1Char('\n'), QLatin1Char('\r'));
    view.insertText(text);
  }
  view.endEditGroup();
  return true;
}

void copySelection(RichTextView& view) {
  QClipboard* clipboard = QGuiApplication::clipboard();
  if (clipboard == nullptr || view.selectionStart() == view.selectionEnd()) return;
  clipboard->setMimeData(mimeDataForRange(view, view.selectionStart(), view.selectionEnd()).release());
}

bool paste(RichTextView& view) {
  QClipboard* clipboard = QGuiApplication::clipboard();
  const QMimeData* data = clipboard != nullptr ? clipboard->mimeData() : nullptr;
  return data != nullptr && insertMimeData(view, *data);
}

}  // namespace scrivora
