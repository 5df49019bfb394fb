#pragma once
// A set of commands that one engine answers for: a window asks its groups in
// turn, each knowing its own command numbers.

#include <algorithm>
#include <initializer_list>
#include <vector>

#include "CommandTarget.h"

namespace scrivora {

class CommandGroup : public CommandTarget {
 public:
  bool handles(Command command) const override {
    return std::find(commands_.begin(), commands_.end(), command) != commands_.end();
  }
  int checkState(Command) const override { return kUnchecked; }

 protected:
  explicit CommandGroup(std::initializer_list<Command> commands) : commands_(commands) {}

 private:
  std::vector<Command> commands_;
};

}  // namespace scrivora
