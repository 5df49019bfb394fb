#pragma once
// The program's command numbers. Menus, shortcuts, the toolbar and other
// windows all send these through the command chain.

#include "CommandTarget.h"

namespace scrivora::cmd {

// Application.
constexpr Command kAbout = 10000;
constexpr Command kNew = 10001;
constexpr Command kOpen = 10002;  // argument: the path, a const std::string*, or none
constexpr Command kQuit = 5001;
constexpr Command kCloseAll = 20000;
constexpr Command kSaveAll = 20001;
constexpr Command kEnsureDocument = 1503;

// Submenus.
constexpr Command kHelpMenu = 1098;
constexpr Command kEditMenu = 1099;
constexpr Command kFileMenu = 1100;
constexpr Command kSearchMenu = 15000;
constexpr Command kViewMenu = 15001;
constexpr Command kBookMenu = 15002;
constexpr Command kHeadingMenu = 15003;
constexpr Command kFontMenu = 15004;
constexpr Command kStyleMenu = 15005;
constexpr Command kParagraphMenu = 15006;

// Document files and the book.
constexpr Command kClose = 5000;
constexpr Command kSave = 10003;
constexpr Command kSaveAs = 10004;
constexpr Command kRevert = 10005;
constexpr Command kMakeBook = 20002;

// Editing.
constexpr Command kUndo = 10010;
constexpr Command kRedo = 10011;
constexpr Command kCut = 10012;
constexpr Command kCopy = 10013;
constexpr Command kPaste = 10014;
constexpr Command kDelete = 10015;
constexpr Command kSelectAll = 10016;
constexpr Command kEditObjects = 20010;

// Book objects, from the context menu: edit one (argument: its position, a
// const int*), remove the link or heading at the caret, follow a link.
constexpr Command kEditObject = 20011;
constexpr Command kRemoveLink = 20012;
constexpr Command kRemoveChapter = 20013;
constexpr Command kRemoveHeading = 20014;
constexpr Command kGoToAnchor = 20030;
constexpr Command kRemoveIndexTerm = 20015;
constexpr Command kGoToNote = 20031;

// Search.
constexpr Command kFind = 20020;
constexpr Command kFindNext = 20021;
constexpr Command kFindPrevious = 20022;
constexpr Command kFindSelectionNext = 20023;
constexpr Command kFindSelectionPrevious = 20024;
constexpr Command kEnterFindString = 20025;
constexpr Command kReplaceSelection = 20026;
constexpr Command kReplaceFindNext = 20027;
constexpr Command kReplaceFindPrevious = 20028;
constexpr Command kReplaceAll = 20029;

// View.
constexpr Command kZoom1 = 20040;  // to kZoom1 + 3 for 4x
constexpr Command kZoom4 = 20043;
constexpr Command kNormalFontSmall = 20044;
constexpr Command kNormalFontLarge = 20045;
constexpr Command kPagePreview = 20046;
constexpr Command kRelayoutZoom = 20100;
constexpr Command kRelayoutNormalFont = 20101;

// Book.
constexpr Command kEditBookInfo = 20050;
constexpr Command kInsertCharacter = 20051;
constexpr Command kInsertTab = 20052;
constexpr Command kInsertComment = 20053;
constexpr Command kInsertRule = 20054;
constexpr Command kInsertPageBreak = 20055;
constexpr Command kInsertImage = 20056;
constexpr Command kInsertBookPlate = 20057;
constexpr Command kCreateAnchor = 20058;
constexpr Command kCreateLink = 20059;
constexpr Command kChapter = 20060;
constexpr Command kHeading1 = 20061;  // to kHeading1 + 3 for level 4
constexpr Command kHeading4 = 20064;
constexpr Command kInsertSoftHyphen = 20065;
constexpr Command kMarkIndexTerm = 20066;
constexpr Command kInsertFootnote = 20067;
constexpr Command kInsertSidebar = 20068;
constexpr Command kInsertHiddenChapter = 20069;

// Font, Style, Paragraph.
constexpr Command kFontNormal = 20070;
constexpr Command kFontSmall = 20071;
constexpr Command kFontBold = 20072;
constexpr Command kFontLarge = 20073;
constexpr Command kPlain = 20080;
constexpr Command kItalic = 20081;
constexpr Command kUnderline = 20082;
constexpr Command kOverstrike = 20083;
constexpr Command kSuperscript = 20084;
constexpr Command kSubscript = 20085;
constexpr Command kBoldStyle = 20086;
constexpr Command kAlignLeft = 20090;
constexpr Command kAlignCenter = 20091;
constexpr Command kAlignRight = 20092;
constexpr Command kNoIndent = 20093;
constexpr Command kBlockIndent = 20094;
constexpr Command kBodyIndent = 20095;
constexpr Command kFirstLineIndent = 20096;

}  // namespace scrivora::cmd
