#pragma once
// Going from a build log entry to the place it names: the document window of
// its file comes to the front (the file is opened when no window has it) with
// the place selected in the editor, or the caret there when the place became
// no text of its own (a style tag).

#include "BuildLog.h"

namespace scrivora {

class Application;
class DocumentWindow;

// The window that now shows the place, or null when its file could not be
// opened (the user was told).
DocumentWindow* followLogPlace(Application& application, const SourcePosition& place);

}  // namespace scrivora
