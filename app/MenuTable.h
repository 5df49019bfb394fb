#pragma once
// The menu bar every document window carries, as one table in menu order.
// The Help menu is not in it: each window appends it when its bar is made.

#include <vector>

#include "MenuItemSpec.h"

namespace scrivora {

const std::vector<MenuItemSpec>& menuTable();

extern const char* const kHelpMenuLabel;  // "&Help"

}  // namespace scrivora
