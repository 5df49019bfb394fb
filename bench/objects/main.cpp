// bench-objects [OBJECTS]
// Lists a document of OBJECTS book objects (50,000 by default, every kind)
// in the Edit Objects dialog: the list the text yields, and the dialog's
// whole refill, against adding as many lines of the same length to the same
// kind of list widget. Prints the times and their ratios; each time is the
// best of a few runs.

#include <QApplication>
#include <QListWidget>
#include <QTemporaryDir>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>

#include "DocumentWindow.h"
#include "EditObjectsDialog.h"
#include "FindSettings.h"
#include "ObjectCommands.h"
#include "SettingsStore.h"
#include "TmlLoader.h"

using namespace scrivora;

namespace {

double bestOf(int runs, const std::function<void()>& work) {
  double best = 1e9;
  for (int i = 0; i < runs; ++i) {
    const auto start = std::chrono::steady_clock::now();
    work();
    best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  }
  return best;
}

// Ten objects a paragraph: a heading, anchors, a comment, a rule, a tab, a
// link, a book plate and an image.
std::string bookWithObjects(int objects) {
  std::string tml;
  for (int i = 0; i < objects / 10; ++i) {
    const std::string n = std::to_string(i);
    tml += "\\X1Part " + n + "\\X1\r\nText \\Q=\"a" + n + "\" and \\vnote " + n + "\\v\\w=\"50%\" then\\T=\"30%\"" +
           "\\q=\"#a" + n + "\"link " + n + "\\q \\d\\m=\"p" + n + ".png\"\\Q=\"b" + n + "\"\\Q=\"c" + n + "\"\r\n";
  }
  return tml;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  const int objects = argc > 1 ? std::max(10, std::atoi(argv[1])) : 50000;
  QTemporaryDir dir;
  SettingsStore settings(QStringLiteral("Scrivora"), dir.filePath(QStringLiteral("bench.conf")));
  FindSettings find;
  auto document = std::make_unique<EditorDocument>();
  TmlLoadOptions options;
  options.documentPath = dir.filePath(QStringLiteral("book.tml")).toStdString();
  loadTmlFromMemory(bookWithObjects(objects), options, nullptr, &document->text());
  DocumentWindow window(std::move(document), find, settings, nullptr);
  window.show();
  EditObjectsDialog dialog(settings);

  size_t lines = 0;
  const double listing = bestOf(3, [&] { lines = listObjects(window.document().text(), 0).size(); });
  const double refill = bestOf(3, [&] {
    dialog.bind(nullptr);
    dialog.showFor(&window);
  });
  QListWidget plain;
  plain.setUniformItemSizes(true);
  plain.show();
  QStringList same;
  for (size_t i = 0; i < lines; ++i) same << QStringLiteral("Link Anchor: \"a%1\"").arg(i);
  const double baseline = bestOf(3, [&] {
    plain.clear();
    plain.addItems(same);
  });
  std::printf("objects listed:              %zu (of %d)\n", lines, objects);
  std::printf("list from the text:          %.3f s  (%.1fx the plain list)\n", listing, listing / baseline);
  std::printf("Edit Objects refill:         %.3f s  (%.1fx the plain list)\n", refill, refill / baseline);
  std::printf("plain list of as many lines: %.3f s\n", baseline);
  return dialog.list().count() == int(lines) ? 0 : 1;
}
