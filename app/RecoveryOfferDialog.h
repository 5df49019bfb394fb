#pragma once
// The dialog that offers, at start-up, the recovery copies a run left when
// it ended without closing its documents: one row per copy with what it is a
// copy of and when it was taken, and Restore or Discard for each. Damaged
// copies can only be discarded. "Decide Later" keeps every copy for the next
// start. The dialog goes through a presenter that tests replace.

#include <QDialog>

#include <deque>
#include <vector>

#include "RecoveryCopy.h"

class QRadioButton;

namespace scrivora {

enum class RecoveryChoice { Restore, Discard, Later };

class RecoveryOfferDialog : public QDialog {
  Q_OBJECT

 public:
  explicit RecoveryOfferDialog(const std::vector<RecoveryCopy>& copies, QWidget* parent = nullptr);

  // One choice per copy, in the order given: as chosen when accepted, Later
  // for every copy otherwise.
  std::vector<RecoveryChoice> choices() const;

  QRadioButton& restoreButton(size_t row) { return *restore_[row]; }
  QRadioButton& discardButton(size_t row) { return *discard_[row]; }

 private:
  std::vector<QRadioButton*> restore_;
  std::vector<QRadioButton*> discard_;
};

class RecoveryOfferPresenter {
 public:
  virtual ~RecoveryOfferPresenter() = default;
  virtual std::vector<RecoveryChoice> choose(const std::vector<RecoveryCopy>& copies, QWidget* owner) = 0;
};

// Offers the copies through the installed presenter (the dialog unless a
// test installed another). Always one choice per copy.
std::vector<RecoveryChoice> offerRecoveryCopies(const std::vector<RecoveryCopy>& copies, QWidget* owner = nullptr);

// Installs a presenter for the life of this object; the previous one comes
// back after it.
class ScopedRecoveryOfferPresenter {
 public:
  explicit ScopedRecoveryOfferPresenter(RecoveryOfferPresenter& presenter);
  ~ScopedRecoveryOfferPresenter();
  ScopedRecoveryOfferPresenter(const ScopedRecoveryOfferPresenter&) = delete;
  ScopedRecoveryOfferPresenter& operator=(const ScopedRecoveryOfferPresenter&) = delete;

 private:
  RecoveryOfferPresenter* previous_;
};

// Keeps what it was offered and answers every copy with its queue's next
// choice, Later once the queue is empty.
class RecordingRecoveryOfferPresenter : public RecoveryOfferPresenter {
 public:
  std::vector<RecoveryChoice> choose(const std::vector<RecoveryCopy>& copies, QWidget*) override {
    offered.push_back(copies);
    std::vector<RecoveryChoice> result;
    for (size_t i = 0; i < copies.size(); ++i) {
      result.push_back(answers.empty() ? RecoveryChoice::Later : answers.front());
      if (!answers.empty()) answers.pop_front();
    }
    return result;
  }
  std::vector<std::vector<RecoveryCopy>> offered;
  std::deque<RecoveryChoice> answers;
};

}  // namespace scrivora
