#include "about/click.h"

#include <QMouseEvent>
#include <QWidget>

#include "framework/guard.h"

namespace larkspur {

void takeClickPress(QMouseEvent* event) {
    event->accept();
}

void raiseClickOnRelease(QWidget* control, QMouseEvent* event, const TNotifyEvent& onClick) {
    event->accept();
    const bool completesClick =
        event->button() == Qt::LeftButton && control->rect().contains(event->position().toPoint());
    if (completesClick && onClick)
        guarded([&] { onClick(control); });
}

} // namespace larkspur
