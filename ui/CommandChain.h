#pragma once
// The one list of command targets, newest first: a window joins at the head
// when it is activated and leaves when it is deactivated or destroyed; the
// application stays at the tail. Each operation goes to the first target that
// handles the command.

#include <vector>

#include "CommandTarget.h"

namespace scrivora {

class CommandChain {
 public:
  static CommandChain& instance();

  void join(CommandTarget* target);  // at the head; once only
  void joinAtTail(CommandTarget* target);
  void leave(CommandTarget* target);
  CommandTarget* activeWindow() const { return active_; }
  const std::vector<CommandTarget*>& targets() const { return targets_; }

  // The first target that handles the command, asking `first` before the
  // chain (a window asks for itself, whether or not it is active yet).
  CommandTarget* targetFor(Command command, CommandTarget* first = nullptr) const;
  bool handles(Command command, CommandTarget* first = nullptr) const;
  bool enabled(Command command, CommandTarget* first = nullptr) const;
  int checkState(Command command, CommandTarget* first = nullptr) const;
  bool perform(Command command, const void* argument = nullptr, uintptr_t extra = 0,
               CommandTarget* first = nullptr) const;
  // Handled, then enabled, and only then performed; a disabled command does
  // nothing. True when it was performed.
  bool dispatch(Command command, const void* argument = nullptr, uintptr_t extra = 0,
                CommandTarget* first = nullptr) const;

 private:
  std::vector<CommandTarget*> targets_;
  CommandTarget* active_ = nullptr;
};

}  // namespace scrivora
