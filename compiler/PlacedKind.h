#pragma once
// What a laid-out line holds, for drawing pages.

#include <cstdint>

namespace scrivora {

enum class PlacedKind : uint8_t { Character, UnicodeCharacter, SidebarMark, Image, Rule };

}  // namespace scrivora
