#pragma once

// Combo boxes and sliders in a scrolled panel that take the mouse wheel only once they have the
// focus: scrolling the panel over them scrolls the panel instead of changing them.

class QWidget;

namespace dravo {

// Gives every combo box and slider inside `panel` that rule (they still take the focus by a click or
// Tab, and then the wheel).
void WheelOnlyWithFocus(QWidget* panel);

}  // namespace dravo
