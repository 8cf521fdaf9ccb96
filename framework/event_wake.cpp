#include "framework/event_wake.h"

#include <QAbstractEventDispatcher>

namespace larkspur {

void wakeEventLoop() {
    if (QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance())
        dispatcher->wakeUp();
}

} // namespace larkspur
