#pragma once

// The window-system colour the options, the colour chooser and the view share.

#include <cstdint>

namespace dravo {

// A window-system colour: red in the low byte, then green, then blue.
using TColor = std::uint32_t;

}  // namespace dravo
