#include "Beep.h"

#include <QApplication>

namespace scrivora {

namespace {
ScopedBeepCounter* installedCounter = nullptr;
}  // namespace

void beep() {
  if (installedCounter != nullptr)
    ++installedCounter->count_;
  else
    QApplication::beep();
}

ScopedBeepCounter::ScopedBeepCounter() : previous_(installedCounter) { installedCounter = this; }

ScopedBeepCounter::~ScopedBeepCounter() { installedCounter = previous_; }

}  // namespace scrivora
