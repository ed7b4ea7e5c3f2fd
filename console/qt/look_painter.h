#pragma once
// A control of the Qt window drawn as the presentation's look for its row says.
#include "console/presentation.h"

class QWidget;

namespace korva::console {

// control is the widget made for row; a screen reader hears only what changed.
void PaintLook(QWidget* control, const layout::Control& row, const ControlLook& look);

}  // namespace korva::console
