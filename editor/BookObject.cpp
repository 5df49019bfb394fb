#include "BookObject.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include <QFont>

namespace scrivora {

namespace {

uint32_t linkSerialCounter = 0;

BookObjectData freshRecord(const RichTextView& view, FourCC code) {
  BookObjectData data;
  data.kind = code;
  data.zoom = uint16_t(view.zoom());
  return data;
}

void moveCaretTo(RichTextView& view, int position) {
  if (position != kAtCaret) view.setCaret(position);
}

// Inserts an object at the caret with the caret's style changed by `adjust`,
// leaving the caret's own style as it was.
template <typename Adjust>
void insertStyled(RichTextView& view, const BookObjectData& data, Adjust adjust) {
  const CharStyle caretStyle = view.caretStyle();
  CharStyle style = caretStyle;
  adjust(style);
  view.applyStyleAtCaret(style);
  view.insertObject(data);
  view.applyStyleAtCaret(caretStyle);
}

// The 8-bit model text of a range; characters outside the code page become
// '?', objects are left out.
std::string modelText(const RichTextView& view, int start, int end) {
  std::string out;
  for (EditorChar c : view.textOf(start, end)) {
    if (c == kObjectChar) continue;
    out.push_back(isOutsideCodePage(c) ? '?' : char(c));
  }
  return out;
}

void applyColourAndUnderline(RichTextView& view, int start, int end, const Rgb& colour, bool underline) {
  AttributeValue value;
  value.colour = colour;
  view.setAttribute(attr::colour, start, end, value);
  if (underline) {
    AttributeValue on;
    on.number = 1;
    view.setAttribute(attr::underline, start, end, on);
  }
}

// Keeps the selection, undo recording and redraw as they were around a
// re-layout.
class TabRelayoutScope {
 public:
  explicit TabRelayoutScope(RichTextView& view)
      : view_(view), start_(view.selectionStart()), end_(view.selectionEnd()), redraw_(view.setRedrawEnabled(false)) {}
  ~TabRelayoutScope() {
    view_.setSelection(start_, end_);
    view_.setRedrawEnabled(redraw_);
  }

 private:
  RichTextView& view_;
  int start_, end_;
  bool redraw_;
};

int tabTargetOf(int percent) { return percent * 158 / 100; }

bool lineEndBetween(const RichTextView& view, int from, int to) {
  for (EditorChar c : view.textOf(from + 1, to))
    if (c == kParagraphEndChar || c == kPageBreakChar || c == '\n') return true;
  return false;
}

// Re-makes tabs where they stand. All are measured first, while the layout is
// current; a tab moves the later tabs on its line by the change of its own
// width, which is added up rather than laid out again (laying the text out
// once per tab would make a long book take minutes). The new records then go
// in as one change joined to the edit that moved the tabs, so it is no undo
// step of its own, yet the history before it stays (switching recording off
// would throw the whole history away).
void remakeTabs(RichTextView& view, const std::vector<int>& positions) {
  struct Remade {
    int position;
    BookObjectData data;
  };
  std::vector<Remade> remade;
  const int zoom = std::max(view.zoom(), 1);
  int growth = 0;  // view pixels the tabs before, on this line, grew by
  int previous = -1;
  for (int position : positions) {
    const BookObject tab = bookObjectAt(view, position);
    if (tab.kind() != kind::tab) continue;
    if (previous < 0 || lineEndBetween(view, previous, position)) growth = 0;
    view.setCaret(position);
    BookObjectData data = freshRecord(view, kind::tab);
    data.percent = uint32_t(tab.percent());
    data.tabTarget = tabTargetOf(tab.percent());
    data.tabStart = (view.caretX() + growth) / zoom;
    growth += bookObjectSize(data, QImage()).width() - bookObjectSize(tab.data, QImage()).width();
    remade.push_back({position, data});
    previous = position;
  }
  view.beginEditGroup(true);
  for (const Remade& tab : remade) view.setObjectData(tab.position, tab.data);
  view.endEditGroup();
}

}  // namespace

std::string BookObject::imageFileName() const {
  const size_t cut = data.text.find_last_of("\\/");
  return cut == std::string::npos ? data.text : data.text.substr(cut + 1);
}

BookObject bookObjectAt(const RichTextView& view, int position) {
  BookObject object;
  if (view.objectAt(position, object.data)) object.position = position;
  return object;
}

BookObject nextBookObject(const RichTextView& view, int after) {
  const int position = view.nextObject(after);
  return position >= 0 ? bookObjectAt(view, position) : BookObject();
}

void insertAnchor(RichTextView& view, const std::string& name, int position) {
  moveCaretTo(view, position);
  BookObjectData data = freshRecord(view, kind::anchor);
  data.text = cutToRecordText(name);
  view.insertObject(data);
}

void insertComment(RichTextView& view, const std::string& text, int position) {
  moveCaretTo(view, position);
  BookObjectData data = freshRecord(view, kind::comment);
  data.text = cutToRecordText(text);
  view.insertObject(data);
}

uint32_t lastLinkSerial() { return linkSerialCounter; }

void insertLink(RichTextView& view, const std::string& target) {
  BookObjectData data = freshRecord(view, kind::link);
  data.linkSerial = ++linkSerialCounter;
  data.text = cutToRecordText(target);
  insertStyled(view, data, [](CharStyle& s) {
    s.colour = kLinkColour;
    s.underline = true;
  });
}

void makeLink(RichTextView& view, const std::string& target, int start, int end) {
  if (start == kAtCaret || end == kAtCaret) {
    start = view.selectionStart();
    end = view.selectionEnd();
  }
  view.setCaret(start);
  insertLink(view, target);
  // The object and the old text behind it, now one further on.
  applyColourAndUnderline(view, start, end + 1, kLinkColour, true);
  view.setSelection(start, end + 1);
}

void insertImage(RichTextView& view, const std::string& file, int position) {
  moveCaretTo(view, position);
  BookObjectData data = freshRecord(view, kind::image);
  data.text = cutToRecordText(file, BookObjectData::kMaxImagePath);
  view.insertObject(data);
}

void insertBookPlate(RichTextView& view, int position, bool withParagraphs) {
  moveCaretTo(view, position);
  const bool redraw = view.setRedrawEnabled(false);
  if (withParagraphs) {
    view.insertText(QStringLiteral("\r\r"));
    view.setCaret(view.caret() - 1);
  }
  view.insertObject(freshRecord(view, kind::bookPlate));
  view.setRedrawEnabled(redraw);
}

void insertRule(RichTextView& view, int percent, int position) {
  moveCaretTo(view, position);
  BookObjectData data = freshRecord(view, kind::rule);
  data.percent = uint32_t(std::clamp(percent, 0, 100));
  view.insertObject(data);
}

namespace {

// Inserts a tab at the caret, measured from where the caret stands or left
// unmeasured (start 0). A tab beyond the line is a line end.
void insertTabAtCaret(RichTextView& view, int percent, bool measured) {
  if (percent > 100) {
    view.insertText(QStringLiteral("\r"));
    return;
  }
  BookObjectData data = freshRecord(view, kind::tab);
  data.percent = uint32_t(std::max(percent, 0));
  data.tabTarget = tabTargetOf(int(data.percent));
  if (measured) data.tabStart = view.caretX() / std::max(view.zoom(), 1);
  view.insertObject(data);
}

}  // namespace

void insertTab(RichTextView& view, int percent, int position) {
  moveCaretTo(view, position);
  insertTabAtCaret(view, percent, true);
}

void insertUnmeasuredTab(RichTextView& view, int percent) { insertTabAtCaret(view, percent, false); }

void insertChapterMarker(RichTextView& view, int level, const std::string& title, int position) {
  moveCaretTo(view, position);
  BookObjectData data = freshRecord(view, kind::chapter);
  data.level = uint16_t(std::clamp(level, 0, 4));
  data.text = cutToRecordText(title);
  view.insertObject(data);
}

void makeHeading(RichTextView& view, int level, int start, int end) {
  if (start == kAtCaret || end == kAtCaret) {
    start = view.selectionStart();
    end = view.selectionEnd();
  }
  const std::string title = modelText(view, start, end);
  insertChapterMarker(view, level, title, start);
  applyColourAndUnderline(view, start, end + 1, headingColour(std::clamp(level, 0, 4)), false);
  view.setSelection(start, end + 1);
}

namespace {

// The text after an object in a colour of its own: at most 80 characters,
// objects skipped, line ends as spaces. Kept text in that stretch counts too.
std::string colouredTextAfter(const RichTextView& view, int position, const Rgb& colour, const Rgb& kept) {
  RichTextView& mutableView = const_cast<RichTextView&>(view);
  const bool notifications = mutableView.setNotificationsEnabled(false);
  std::string text;
  for (int p = position + 1; p < view.length() && text.size() < 80; ++p) {
    const Rgb here = view.styleAt(p).colour;
    if (here != colour && here != kept) break;
    const EditorChar c = view.characterAt(p);
    if (c == kObjectChar) {
      if (view.nextObject(p - 1) == p && markingOfOpeningKind(bookObjectAt(view, p).kind()) != Marking::None) break;
      continue;
    }
    if (c == kParagraphEndChar || c == '\n')
      text.push_back(' ');
    else
      text.push_back(isOutsideCodePage(c) ? '?' : char(c));
  }
  mutableView.setNotificationsEnabled(notifications);
  return text;
}

}  // namespace

std::string headingTitle(const RichTextView& view, const BookObject& marker) {
  if (marker.kind() != kind::chapter) return std::string();
  const Rgb colour = headingColour(marker.level());
  return colouredTextAfter(view, marker.position, colour, colour);
}

std::string markedText(const RichTextView& view, const BookObject& opening) {
  const Marking marking = markingOfOpeningKind(opening.kind());
  if (marking == Marking::None) return std::string();
  return colouredTextAfter(view, opening.position, markingColour(marking), keptColour(marking));
}

void insertMarkingObject(RichTextView& view, Marking marking, const std::string& text) {
  if (marking == Marking::Link) {
    insertLink(view, text);
    return;
  }
  BookObjectData data = freshRecord(view, openingKindOf(marking));
  data.text = cutToRecordText(text);
  insertStyled(view, data, [marking](CharStyle& s) { s.colour = markingColour(marking); });
}

void markStretch(RichTextView& view, Marking marking, const std::string& text, int start, int end) {
  if (start == kAtCaret || end == kAtCaret) {
    start = view.selectionStart();
    end = view.selectionEnd();
  }
  view.setCaret(start);
  // The object opens the stretch where no style is on.
  CharStyle open = start < view.length() ? view.styleAt(start) : view.caretStyle();
  if (fontOfFace(open.face) == FontKind::Script)
    faceAndSizeOf(FontKind::Normal, view.normalFace(), view.zoom(), open.face, open.size);
  open.italic = open.underline = open.overstrike = open.bold = false;
  open.offset = 0;
  const CharStyle caretStyle = view.caretStyle();
  view.applyStyleAtCaret(open);
  insertMarkingObject(view, marking, text);
  view.applyStyleAtCaret(caretStyle);
  applyColourAndUnderline(view, start, end + 1, markingColour(marking), marking == Marking::Link);
  view.setSelection(start, end + 1);
}

void insertHiddenChapter(RichTextView& view, int level, const std::string& title, int position) {
  moveCaretTo(view, position);
  BookObjectData data = freshRecord(view, kind::hiddenChapter);
  data.level = uint16_t(std::clamp(level, 0, 4));
  data.text = cutToRecordText(title);
  view.insertObject(data);
}

void insertSoftHyphen(RichTextView& view, int position) {
  moveCaretTo(view, position);
  view.insertObject(freshRecord(view, kind::softHyphen));
}

namespace {
int digitValue(char c, int base) {
  if (c >= '0' && c <= '9') return c - '0';
  if (base == 16 && c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}
// The value of `count` digits at a position, or -1.
int numberAt(const std::string& text, size_t at, size_t count, int base) {
  if (at + count > text.size()) return -1;
  int value = 0;
  for (size_t i = at; i < at + count; ++i) {
    const int digit = digitValue(text[i], base);
    if (digit < 0) return -1;
    value = value * base + digit;
  }
  return value;
}
}  // namespace

QString hiddenChapterTitleText(const std::string& written) {
  QString text;
  for (size_t i = 0; i < written.size(); ++i) {
    const char c = written[i];
    const char tag = i + 1 < written.size() ? written[i + 1] : '\0';
    const int decimal = c == '\\' && tag == 'a' ? numberAt(written, i + 2, 3, 10) : -1;
    const int unicode = c == '\\' && tag == 'U' ? numberAt(written, i + 2, 4, 16) : -1;
    if (decimal >= 0) {
      text.append(QChar(unicodeFromCodePage(uint8_t(decimal % 256))));
      i += 4;
    } else if (unicode >= 0) {
      text.append(QChar(char16_t(unicode)));
      i += 5;
    } else if (c == '\r') {
      text.append(QLatin1Char(' '));
    } else {
      text.append(QChar(unicodeFromCodePage(uint8_t(c))));
    }
  }
  return text;
}

bool hiddenChapterTitleFromText(const QString& text, std::string& written) {
  written.clear();
  for (QChar ch : text) {
    const char16_t u = ch.unicode();
    if (u == '"' || u == '\\') return false;
    const int byte = codePageFromUnicode(u);
    if (byte >= 32) {
      written.push_back(char(byte));
    } else if (byte >= 0) {
      written.push_back(' ');
    } else {
      char code[8];
      std::snprintf(code, sizeof code, "\\U%04X", unsigned(u));
      written += code;
    }
  }
  return true;
}

std::string describe(const RichTextView& view, const BookObject& object) {
  char line[200];
  const std::string cut = object.text().substr(0, std::min<size_t>(object.text().size(), 63));
  switch (object.kind()) {
    case kind::bookPlate: return "Book Plate";
    case kind::comment: return "Comment: \"" + cut + "\"";
    case kind::anchor: return "Link Anchor: \"" + object.text() + "\"";
    case kind::image: {
      const std::string name = object.imageFileName();
      return "Image: \"" + name.substr(0, std::min<size_t>(name.size(), 63)) + "\"";
    }
    case kind::link: return "Link: \"" + cut + "\"";
    case kind::rule: std::snprintf(line, sizeof line, "Horizontal Rule: %d%%", object.percent()); return line;
    case kind::tab: std::snprintf(line, sizeof line, "Tab: %d%%", object.percent()); return line;
    case kind::chapter: {
      const std::string title = headingTitle(view, object);
      if (title.empty()) return std::string();
      if (object.level() == 0) return "Chapter: \"" + title + "\"";
      std::snprintf(line, sizeof line, "Heading %d: \"", object.level());
      return line + title + "\"";
    }
    case kind::hiddenChapter: {
      const QString shown = hiddenChapterTitleText(object.text()).left(63);
      std::string title;
      for (QChar ch : shown) {
        const int byte = codePageFromUnicode(ch.unicode());
        title.push_back(byte > 0 ? char(byte) : '?');
      }
      if (object.level() == 0) return "Hidden Chapter: \"" + title + "\"";
      std::snprintf(line, sizeof line, "Hidden Heading %d: \"", object.level());
      return line + title + "\"";
    }
    case kind::indexTerm: return "Index Term: \"" + markedText(view, object) + "\"";
    case kind::footnote: return "Footnote: \"" + cut + "\"";
    case kind::sidebar: return "Sidebar: \"" + cut + "\"";
    default: return std::string();
  }
}

void relayoutTab(RichTextView& view, int position) {
  TabRelayoutScope scope(view);
  remakeTabs(view, {position});
}

namespace {
std::vector<int> tabPositions(const RichTextView& view, int start, int end) {
  std::vector<int> positions;
  for (BookObject o = nextBookObject(view, start - 1); o.isPresent() && o.position < end;
       o = nextBookObject(view, o.position))
    if (o.kind() == kind::tab) positions.push_back(o.position);
  return positions;
}
}  // namespace

void relayoutTabs(RichTextView& view) {
  TabRelayoutScope scope(view);
  remakeTabs(view, tabPositions(view, 0, view.length()));
}

void relayoutTabs(RichTextView& view, int start, int end) {
  TabRelayoutScope scope(view);
  // The tabs that follow `end` on its line move with the text before them.
  int lineEnd = std::max(end, 0);
  while (lineEnd < view.length()) {
    const EditorChar c = view.characterAt(lineEnd);
    if (c == kParagraphEndChar || c == kPageBreakChar || c == '\n') break;
    ++lineEnd;
  }
  remakeTabs(view, tabPositions(view, start, lineEnd));
}

QSize bookObjectSize(const BookObjectData& data, const QImage& picture) {
  const int z = std::max<int>(data.zoom, 1);
  switch (data.kind) {
    case kind::bookPlate: return QSize(155 * z, 66 * z);
    case kind::rule: return QSize(158 * z, 9 * z);
    case kind::tab: {
      const int width = (data.tabTarget - data.tabStart - 3) * z;
      return QSize(width >= 1 ? width : 1, 2 * z);
    }
    case kind::image: return picture.isNull() ? QSize(0, 0) : picture.size() * z;
    case kind::footnote:
    case kind::sidebar:
    case kind::softHyphen: return QSize(4 * z, 3 * z);
    default: return QSize(3 * z, 3 * z);
  }
}

namespace {
void drawRow(QPainter& painter, int x1, int x2, int y) {
  if (x2 >= x1) painter.drawLine(x1, y, x2, y);
}

void drawBookPlate(QPainter& painter, const QRect& rect, int z) {
  const int left = rect.left(), top = rect.top();
  const int right = rect.left() + rect.width(), bottom = rect.top() + rect.height();
  const int leg = 2 * z + z;
  painter.setPen(Qt::NoPen);
  painter.setBrush(Qt::black);
  const QPoint corners[4][3] = {{{left, top}, {left + leg, top}, {left, top + leg}},
                                {{right, top}, {right - leg, top}, {right, top + leg}},
                                {{left, bottom}, {left + leg, bottom}, {left, bottom - leg}},
                                {{right, bottom}, {right - leg, bottom}, {right, bottom - leg}}};
  for (const auto& triangle : corners) painter.drawPolygon(triangle, 3);
  painter.setPen(Qt::black);
  // The texts are centred on the plate itself.
  const int centre = (left + right) / 2;
  QFont face;
  face.setFamilies({QStringLiteral("NTolmText9")});
  face.setPixelSize(std::max(1, int(9 * z * 1.5)));
  face.setWeight(QFont::Normal);
  painter.setFont(face);
  painter.drawText(QRect(centre - 40 * z, top + 9 * z, 200 * z, 20 * z), Qt::AlignLeft | Qt::AlignTop,
                   QStringLiteral("From the Library of"));
  face.setFamilies({QStringLiteral("TolmText9B")});
  painter.setFont(face);
  painter.drawText(QRect(centre - 50 * z, top + 35 * z, 200 * z, 20 * z), Qt::AlignLeft | Qt::AlignTop,
                   QStringLiteral("<Insert Name Here>"));
}
}  // namespace

void drawBookObject(QPainter& painter, const QRect& rect, const BookObjectData& data, const QImage& picture) {
  const int z = std::max<int>(data.zoom, 1);
  const int left = rect.left(), top = rect.top();
  const int right = rect.left() + rect.width(), bottom = rect.top() + rect.height();
  painter.save();
  // Markers reach outside the object's own rectangle.
  painter.setClipping(false);
  painter.setRenderHint(QPainter::Antialiasing, false);
  switch (data.kind) {
    case kind::anchor:
    case kind::comment:
    case kind::hiddenChapter:
      painter.setPen(data.kind == kind::anchor    ? QColor(0, 0, 255)
                     : data.kind == kind::comment ? QColor(127, 127, 127)
                                                  : QColor(0, 127, 0));
      for (int i = 1; i <= 2 * z; ++i) drawRow(painter, left - i, left + i - 1, top + 10 + i);
      break;
    case kind::link:
    case kind::chapter:
    case kind::indexTerm:
      painter.setPen(data.kind == kind::link      ? QColor(0, 0, 255)
                     : data.kind == kind::chapter ? QColor(0, 127, 0)
                                                  : QColor(150, 0, 150));
      for (int i = 1; i <= 2 * z; ++i) drawRow(painter, left - 1, left - 1 + i, top + 10 + i);
      break;
    case kind::footnote:
    case kind::sidebar: {
      // A small raised mark: a dot for a footnote, a square for a sidebar.
      const QColor colour(0, 120, 120);
      painter.setPen(colour);
      painter.setBrush(colour);
      const int size = std::max(2, 2 * z);
      const QRect mark(left + (right - left - size) / 2, top - 4 * z, size, size);
      if (data.kind == kind::footnote)
        painter.drawEllipse(mark);
      else
        painter.drawRect(mark.adjusted(0, 0, -1, -1));
      break;
    }
    case kind::softHyphen:
      // A grey hyphen at the height of the letters: where the word may break.
      painter.setPen(QColor(140, 140, 140));
      for (int row = 0; row < std::max(1, z / 2); ++row) drawRow(painter, left, right - 1, top - 2 * z + row);
      break;
    case kind::rule: {
      painter.setPen(Qt::black);
      const int margin = (right - left) * int((100 - std::min<uint32_t>(data.percent, 100)) / 2) / 100;
      const int middle = top + (bottom - top) / 2;
      for (int row = 0; row < z; ++row) drawRow(painter, left + margin, right - margin - 1, middle + row);
      break;
    }
    case kind::tab: {
      painter.setPen(QColor(127, 127, 127));
      painter.drawLine(left, top + 1, left, bottom - 1);
      if (rect.width() > 1) {
        painter.drawLine(left, bottom - 1, right - 1, bottom - 1);
        painter.drawLine(right - 1, bottom - 1, right - 1, top + 1);
      }
      break;
    }
    case kind::image:
      if (!picture.isNull()) painter.drawImage(QRect(left, top, picture.width() * z, picture.height() * z), picture);
      break;
    case kind::bookPlate: drawBookPlate(painter, rect, z); break;
    default: break;
  }
  painter.restore();
}

}  // namespace scrivora
