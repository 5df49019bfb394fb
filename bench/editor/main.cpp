// bench-editor [BOOK]
// Loads a large book into the editor as TML and saves it again, and times
// QTextDocument::setPlainText of the same text in the same run as the
// baseline. Prints both ratios; each time is the best of a few runs.

#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>

#include <QGuiApplication>
#include <QTextDocument>

#include "TextDocumentModel.h"
#include "TmlLoader.h"
#include "TmlWriter.h"

using namespace scrivora;

namespace {

double bestSeconds(int runs, const std::function<void()>& work) {
  double best = 1e30;
  for (int i = 0; i < runs; ++i) {
    const auto start = std::chrono::steady_clock::now();
    work();
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    best = std::min(best, took.count());
  }
  return best;
}

QString unicodeOf(const std::string& bytes) {
  QString text(qsizetype(bytes.size()), Qt::Uninitialized);
  for (size_t i = 0; i < bytes.size(); ++i) text[qsizetype(i)] = QChar(unicodeFromCodePage(uint8_t(bytes[i])));
  return text;
}

// The book with some of what TML offers: a chapter heading every 400 lines,
// an italic first word every 7th line, an anchor every 50th, centred lines.
std::string styledVersionOf(const std::string& text) {
  std::string out;
  out.reserve(text.size() + text.size() / 8);
  std::istringstream lines(text);
  std::string line;
  for (int n = 0; std::getline(lines, line); ++n) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::string escaped;
    for (char c : line) escaped += c == '\\' ? std::string("\\\\") : std::string(1, c);
    if (n % 400 == 0 && !escaped.empty()) {
      out += "\\X0" + escaped + "\\X0\r\n";
      continue;
    }
    if (n % 50 == 0) out += "\\Q=\"line" + std::to_string(n) + "\"";
    if (n % 7 == 0) {
      const size_t space = escaped.find(' ');
      if (space != std::string::npos) escaped = "\\i" + escaped.substr(0, space) + "\\i" + escaped.substr(space);
    }
    if (n % 97 == 0)
      out += "\\c" + escaped + "\r\n\\c";
    else
      out += escaped + "\r\n";
  }
  return out;
}

void measure(const char* name, const std::string& tml, const std::string& plain) {
  const QString plainText = unicodeOf(plain);
  const int runs = 3;
  const double baseline = bestSeconds(runs, [&] {
    QTextDocument document;
    document.setPlainText(plainText);
  });
  const double load = bestSeconds(runs, [&] {
    TextDocumentModel view;
    loadTmlFromMemory(tml, TmlLoadOptions(), nullptr, &view);
  });
  TextDocumentModel view;
  loadTmlFromMemory(tml, TmlLoadOptions(), nullptr, &view);
  std::string saved;
  const double save = bestSeconds(runs, [&] { saved = writeTml(view, nullptr); });
  std::printf("%s: %.1f MB, %d characters in the view\n", name, tml.size() / 1e6, view.length());
  std::printf("  setPlainText baseline %.3f s\n", baseline);
  std::printf("  load %.3f s  ratio %.2f (target at most 4)\n", load, load / baseline);
  std::printf("  save %.3f s  ratio %.2f (target at most 2)\n", save, save / baseline);
  std::printf("  saved %.1f MB\n", saved.size() / 1e6);
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  const std::string path = argc > 1 ? argv[1] : std::string(SCRIVORA_CORPUS_DIR "/books/war-and-peace.txt");
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "bench-editor: cannot read %s\n", path.c_str());
    return 1;
  }
  std::stringstream bytes;
  bytes << in.rdbuf();
  const std::string text = bytes.str();
  // As text, the book has no tags, but a backslash would start one.
  std::string escaped;
  for (char c : text) escaped += c == '\\' ? std::string("\\\\") : std::string(1, c);
  measure("plain book", escaped, text);
  measure("styled book", styledVersionOf(text), text);
  return 0;
}
