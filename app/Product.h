#pragma once
// The product's name (window titles, the About box, the settings key) and
// version.

namespace scrivora {

constexpr const char* kProductName = "Scrivora";
constexpr const char* kProductVersion = SCRIVORA_VERSION;

}  // namespace scrivora
