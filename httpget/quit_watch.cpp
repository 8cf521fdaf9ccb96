#include "httpget/quit_watch.h"

#include <QCoreApplication>
#include <QEvent>

#include "framework/guard.h"

namespace larkspur {

QuitWatch::QuitWatch(std::function<void()> onQuit) : onQuit_(std::move(onQuit)) {
    QCoreApplication::instance()->installEventFilter(this);
}

QuitWatch::~QuitWatch() {
    QCoreApplication::instance()->removeEventFilter(this);
}

bool QuitWatch::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Quit)
        guarded(onQuit_);
    return QObject::eventFilter(watched, event);
}

} // namespace larkspur
