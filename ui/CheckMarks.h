#pragma once
// The marks shown beside menu items: a full mark for a checked command and a
// partial mark for a mixed selection.

#include <QIcon>

namespace scrivora {

// The mark for a check state; an empty icon for an unchecked command.
QIcon checkMarkIcon(int checkState);

}  // namespace scrivora
