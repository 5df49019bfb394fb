#include "RecoveryOfferDialog.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QVBoxLayout>

namespace scrivora {

namespace {

// What a copy is: where its document lay and when the copy was taken.
QString describe(const RecoveryCopy& copy) {
  QStringList lines;
  if (copy.originPath.empty())
    lines << QStringLiteral("Never saved");
  else
    lines << QStringLiteral("From %1").arg(QFileInfo(QString::fromStdString(copy.originPath)).absolutePath());
  if (copy.takenAt.isValid())
    lines << QStringLiteral("Copy taken %1").arg(QLocale().toString(copy.takenAt.toLocalTime(), QLocale::ShortFormat));
  if (copy.damaged) lines << QStringLiteral("Damaged: this copy cannot be restored.");
  return lines.join(QLatin1Char('\n'));
}

QString titleOf(const RecoveryCopy& copy) {
  if (!copy.originName.isEmpty()) return copy.originName;
  return QFileInfo(QString::fromStdString(copy.file)).fileName();
}

class DefaultPresenter : public RecoveryOfferPresenter {
 public:
  std::vector<RecoveryChoice> choose(const std::vector<RecoveryCopy>& copies, QWidget* owner) override {
    RecoveryOfferDialog dialog(copies, owner);
    dialog.exec();
    return dialog.choices();
  }
};

RecoveryOfferPresenter* installed = nullptr;

}  // namespace

RecoveryOfferDialog::RecoveryOfferDialog(const std::vector<RecoveryCopy>& copies, QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("Recover Documents"));
  auto* layout = new QVBoxLayout(this);
  auto* intro = new QLabel(QStringLiteral("Scrivora ended without closing these documents. Their recovery copies "
                                          "hold the changes up to the time shown."),
                           this);
  intro->setWordWrap(true);
  layout->addWidget(intro);

  auto* rows = new QWidget;
  auto* grid = new QGridLayout(rows);
  for (size_t i = 0; i < copies.size(); ++i) {
    const RecoveryCopy& copy = copies[i];
    const int row = int(i) * 2;
    auto* title = new QLabel(QStringLiteral("<b>%1</b>").arg(titleOf(copy).toHtmlEscaped()), rows);
    auto* details = new QLabel(describe(copy), rows);
    auto* restore = new QRadioButton(QStringLiteral("Restore"), rows);
    auto* discard = new QRadioButton(QStringLiteral("Discard"), rows);
    auto* group = new QButtonGroup(rows);
    group->addButton(restore);
    group->addButton(discard);
    restore->setEnabled(!copy.damaged);
    (copy.damaged ? discard : restore)->setChecked(true);
    grid->addWidget(title, row, 0);
    grid->addWidget(details, row + 1, 0);
    grid->addWidget(restore, row, 1);
    grid->addWidget(discard, row, 2);
    restore_.push_back(restore);
    discard_.push_back(discard);
  }
  grid->setColumnStretch(0, 1);
  auto* scroll = new QScrollArea(this);
  scroll->setWidget(rows);
  scroll->setWidgetResizable(true);
  scroll->setFrameShape(QFrame::NoFrame);
  layout->addWidget(scroll);

  auto* buttons = new QDialogButtonBox(this);
  buttons->addButton(QDialogButtonBox::Ok);
  buttons->addButton(QStringLiteral("Decide Later"), QDialogButtonBox::RejectRole);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);
  resize(460, std::min(520, 160 + int(copies.size()) * 64));
}

std::vector<RecoveryChoice> RecoveryOfferDialog::choices() const {
  std::vector<RecoveryChoice> chosen;
  for (size_t i = 0; i < restore_.size(); ++i) {
    if (result() != QDialog::Accepted)
      chosen.push_back(RecoveryChoice::Later);
    else
      chosen.push_back(restore_[i]->isChecked() ? RecoveryChoice::Restore : RecoveryChoice::Discard);
  }
  return chosen;
}

std::vector<RecoveryChoice> offerRecoveryCopies(const std::vector<RecoveryCopy>& copies, QWidget* owner) {
  static DefaultPresenter dialog;
  std::vector<RecoveryChoice> choices = (installed != nullptr ? installed : &dialog)->choose(copies, owner);
  choices.resize(copies.size(), RecoveryChoice::Later);
  return choices;
}

ScopedRecoveryOfferPresenter::ScopedRecoveryOfferPresenter(RecoveryOfferPresenter& presenter) : previous_(installed) {
  installed = &presenter;
}

ScopedRecoveryOfferPresenter::~ScopedRecoveryOfferPresenter() { installed = previous_; }

}  // namespace scrivora
