#include "CommandChain.h"

#include <algorithm>

namespace scrivora {

CommandChain& CommandChain::instance() {
  static CommandChain chain;
  return chain;
}

void CommandChain::join(CommandTarget* target) {
  targets_.erase(std::remove(targets_.begin(), targets_.end(), target), targets_.end());
  targets_.insert(targets_.begin(), target);
  active_ = target;
}

void CommandChain::joinAtTail(CommandTarget* target) {
  targets_.erase(std::remove(targets_.begin(), targets_.end(), target), targets_.end());
  targets_.push_back(target);
}

void CommandChain::leave(CommandTarget* target) {
  targets_.erase(std::remove(targets_.begin(), targets_.end(), target), targets_.end());
  if (active_ == target) active_ = nullptr;
}

CommandTarget* CommandChain::targetFor(Command command, CommandTarget* first) const {
  if (first != nullptr && first->handles(command)) return first;
  for (CommandTarget* target : targets_)
    if (target != first && target->handles(command)) return target;
  return nullptr;
}

bool CommandChain::handles(Command command, CommandTarget* first) const { return targetFor(command, first) != nullptr; }

bool CommandChain::enabled(Command command, CommandTarget* first) const {
  CommandTarget* target = targetFor(command, first);
  return target != nullptr && target->enabled(command);
}

int CommandChain::checkState(Command command, CommandTarget* first) const {
  CommandTarget* target = targetFor(command, first);
  return target != nullptr ? target->checkState(command) : kUnchecked;
}

bool CommandChain::perform(Command command, const void* argument, uintptr_t extra, CommandTarget* first) const {
  CommandTarget* target = targetFor(command, first);
  return target != nullptr && target->perform(command, argument, extra);
}

bool CommandChain::dispatch(Command command, const void* argument, uintptr_t extra, CommandTarget* first) const {
  CommandTarget* target = targetFor(command, first);
  if (target == nullptr || !target->enabled(command)) return false;
  return target->perform(command, argument, extra);
}

}  // namespace scrivora
