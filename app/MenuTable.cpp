#include "MenuTable.h"

#include "Commands.h"
#include "ShortcutTable.h"

namespace scrivora {

const char* const kHelpMenuLabel = "&Help";

namespace {

using namespace cmd;
constexpr uint8_t S = kShiftKey, C = kCtrlKey, A = kAltKey;
constexpr uint8_t kF3 = kKeyF1 + 2;
constexpr uint8_t kF9 = kKeyF1 + 8;

const std::vector<MenuItemSpec> kTable = {
    {0, "&File", kFileMenu, 0, 0},
    {kFileMenu, "&New\tCtrl+N", kNew, 'N', C},
    {kFileMenu, "&Open...\tCtrl+O", kOpen, 'O', C},
    {kFileMenu, "&Close", kClose, 0, 0},
    {kFileMenu, nullptr, 0, 0, 0},
    {kFileMenu, "&Save\tCtrl+S", kSave, 'S', C},
    {kFileMenu, "Save &As...", kSaveAs, 0, 0},
    {kFileMenu, "&Make Book...\tCtrl+M", kMakeBook, 'M', C},
    {kFileMenu, "&Revert...", kRevert, 0, 0},
    {kFileMenu, nullptr, 0, 0, 0},
    {kFileMenu, "E&xit", kQuit, 0, 0},

    {0, "&Edit", kEditMenu, 0, 0},
    {kEditMenu, "&Undo\tCtrl+Z", kUndo, 'Z', C},
    {kEditMenu, "&Redo\tCtrl+Y", kRedo, 'Y', C},
    {kEditMenu, nullptr, 0, 0, 0},
    {kEditMenu, "Cu&t\tCtrl+X", kCut, 'X', C},
    {kEditMenu, "&Copy\tCtrl+C", kCopy, 'C', C},
    {kEditMenu, "&Paste\tCtrl+V", kPaste, 'V', C},
    // Del stays the view's own key.
    {kEditMenu, "&Delete\tDel", kDelete, 0, 0},
    {kEditMenu, nullptr, 0, 0, 0},
    {kEditMenu, "Select &All\tCtrl+A", kSelectAll, 'A', C},
    {kEditMenu, nullptr, 0, 0, 0},
    {kEditMenu, "Edit &Objects\tShift+Ctrl+O", kEditObjects, 'O', C | S},

    {0, "&Search", kSearchMenu, 0, 0},
    {kSearchMenu, "&Find...\tCtrl+F", kFind, 'F', C},
    {kSearchMenu, nullptr, 0, 0, 0},
    {kSearchMenu, "Find &Next\tF3", kFindNext, kF3, 0},
    {kSearchMenu, "Find &Previous\tShift+F3", kFindPrevious, kF3, S},
    {kSearchMenu, "Find &Selection Next", kFindSelectionNext, 0, 0},
    {kSearchMenu, "Find S&election Previous", kFindSelectionPrevious, 0, 0},
    {kSearchMenu, "&Enter Find String\tCtrl+E", kEnterFindString, 'E', C},
    {kSearchMenu, nullptr, 0, 0, 0},
    {kSearchMenu, "&Replace Selection\tCtrl+H", kReplaceSelection, 'H', C},
    {kSearchMenu, "Replace && Find Next\tCtrl+L", kReplaceFindNext, 'L', C},
    {kSearchMenu, "Rep&lace && Find Previous\tShift+Ctrl+P", kReplaceFindPrevious, 'P', C | S},
    {kSearchMenu, "Replace &All", kReplaceAll, 0, 0},

    {0, "&View", kViewMenu, 0, 0},
    {kViewMenu, "&1x Zoom\tShift+Ctrl+1", kZoom1, '1', C | S},
    {kViewMenu, "&2x Zoom\tShift+Ctrl+2", kZoom1 + 1, '2', C | S},
    {kViewMenu, "&3x Zoom\tShift+Ctrl+3", kZoom1 + 2, '3', C | S},
    {kViewMenu, "&4x Zoom\tShift+Ctrl+4", kZoom4, '4', C | S},
    {kViewMenu, nullptr, 0, 0, 0},
    {kViewMenu, "Normal Font - &Small", kNormalFontSmall, 0, 0},
    {kViewMenu, "Normal Font - &Large", kNormalFontLarge, 0, 0},
    {kViewMenu, nullptr, 0, 0, 0},
    {kViewMenu, "Page &Preview\tF9", kPagePreview, kF9, 0},

    {0, "&Book", kBookMenu, 0, 0},
    {kBookMenu, "Edit &Book Info...\tShift+Alt+I", kEditBookInfo, 'I', A | S},
    {kBookMenu, nullptr, 0, 0, 0},
    {kBookMenu, "Insert &Character...\tShift+Alt+C", kInsertCharacter, 'C', A | S},
    {kBookMenu, "Insert &Tab Stop...\tShift+Alt+T", kInsertTab, 'T', A | S},
    {kBookMenu, "Insert C&omment...\tShift+Alt+M", kInsertComment, 'M', A | S},
    {kBookMenu, "Insert Horizontal &Rule...\tShift+Alt+R", kInsertRule, 'R', A | S},
    {kBookMenu, "Insert &Page Break\tShift+Enter", kInsertPageBreak, kKeyReturn, S},
    {kBookMenu, "Insert I&mage...\tShift+Alt+G", kInsertImage, 'G', A | S},
    {kBookMenu, "Insert Book &Plate", kInsertBookPlate, 0, 0},
    {kBookMenu, "Insert Soft &Hyphen\tCtrl+-", kInsertSoftHyphen, kKeyMinus, C},
    {kBookMenu, nullptr, 0, 0, 0},
    {kBookMenu, "Create &Anchor...\tShift+Alt+A", kCreateAnchor, 'A', A | S},
    {kBookMenu, "Create &Link...\tShift+Alt+L", kCreateLink, 'L', A | S},
    {kBookMenu, "Mark Index &Term", kMarkIndexTerm, 0, 0},
    {kBookMenu, "Insert &Footnote Reference...", kInsertFootnote, 0, 0},
    {kBookMenu, "Insert &Sidebar Reference...", kInsertSidebar, 0, 0},
    {kBookMenu, "Go To &Note", kGoToNote, 0, 0},
    {kBookMenu, nullptr, 0, 0, 0},
    {kBookMenu, "Create &Heading", kHeadingMenu, 0, 0},
    {kHeadingMenu, "Chapt&er\tShift+Ctrl+H", kChapter, 'H', C | S},
    {kHeadingMenu, "Heading &1\tShift+Alt+1", kHeading1, '1', A | S},
    {kHeadingMenu, "Heading &2\tShift+Alt+2", kHeading1 + 1, '2', A | S},
    {kHeadingMenu, "Heading &3\tShift+Alt+3", kHeading1 + 2, '3', A | S},
    {kHeadingMenu, "Heading &4\tShift+Alt+4", kHeading4, '4', A | S},
    {kHeadingMenu, nullptr, 0, 0, 0},
    {kHeadingMenu, "&Hidden Chapter Entry...", kInsertHiddenChapter, 0, 0},

    {0, "F&ont", kFontMenu, 0, 0},
    {kFontMenu, "&Normal", kFontNormal, 0, 0},
    {kFontMenu, nullptr, 0, 0, 0},
    {kFontMenu, "&Small", kFontSmall, 0, 0},
    {kFontMenu, "&Bold\tCtrl+B", kFontBold, 'B', C},
    {kFontMenu, "&Large", kFontLarge, 0, 0},

    {0, "S&tyle", kStyleMenu, 0, 0},
    {kStyleMenu, "&Plain", kPlain, 0, 0},
    {kStyleMenu, nullptr, 0, 0, 0},
    {kStyleMenu, "&Italic\tCtrl+I", kItalic, 'I', C},
    {kStyleMenu, "&Underline\tCtrl+U", kUnderline, 'U', C},
    {kStyleMenu, "&Overstrike", kOverstrike, 0, 0},
    {kStyleMenu, "&Bold\tShift+Ctrl+B", kBoldStyle, 'B', C | S},

    {0, "&Paragraph", kParagraphMenu, 0, 0},
    {kParagraphMenu, "Align &Left\tShift+Ctrl+L", kAlignLeft, 'L', C | S},
    {kParagraphMenu, "Align &Center\tShift+Ctrl+C", kAlignCenter, 'C', C | S},
    {kParagraphMenu, "Align &Right\tShift+Ctrl+R", kAlignRight, 'R', C | S},
    {kParagraphMenu, nullptr, 0, 0, 0},
    {kParagraphMenu, "&No Indent\tCtrl+1", kNoIndent, '1', C},
    {kParagraphMenu, "&Block Indent\tCtrl+2", kBlockIndent, '2', C},
    {kParagraphMenu, "&Body Indent\tCtrl+3", kBodyIndent, '3', C},
    {kParagraphMenu, "&First Line Indent\tCtrl+4", kFirstLineIndent, '4', C},
};

}  // namespace

const std::vector<MenuItemSpec>& menuTable() { return kTable; }

}  // namespace scrivora
