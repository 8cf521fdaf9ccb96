#pragma once

#include "framework/events.h"

class QMouseEvent;
class QWidget;

namespace larkspur {

// A click is a left-button press and a release over the same control. The control
// keeps both events, clicked or not, so its parent never sees them.
void takeClickPress(QMouseEvent* event);
void raiseClickOnRelease(QWidget* control, QMouseEvent* event, const TNotifyEvent& onClick);

} // namespace larkspur
