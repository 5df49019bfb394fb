#pragma once
// Every user action arrives as a numbered command. Windows and the
// application answer for the commands they know through these four
// operations; the command chain asks them in turn.

#include <cstdint>

namespace scrivora {

using Command = uint16_t;

// Check states: not marked, marked, partly marked (a mixed selection).
enum CheckState : int { kUnchecked = 0, kChecked = 1, kPartlyChecked = 2 };

class CommandTarget {
 public:
  virtual ~CommandTarget() = default;
  virtual bool handles(Command command) const = 0;
  virtual bool enabled(Command command) const = 0;
  virtual int checkState(Command command) const = 0;
  // The argument is absent for menu commands and shortcuts; some commands
  // carry one (a file to open, a close mode).
  virtual bool perform(Command command, const void* argument, uintptr_t extra) = 0;
};

}  // namespace scrivora
