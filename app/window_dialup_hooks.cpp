#include "app/window_dialup_hooks.h"

#include <QLineEdit>

#include "app/form1.h"

larkspur::platform::DialupHooks WindowDialupHooks::hooks() {
    larkspur::platform::DialupHooks hooks;
    hooks.entry = [this] {
        TForm1* window = window_;
        return window ? window->Edit1->text() : QString();
    };
    hooks.notice = [this](const QString& line) {
        if (TForm1* window = window_)
            QMetaObject::invokeMethod(
                window, [window, line] { window->AddLog(line); }, Qt::QueuedConnection);
    };
    return hooks;
}
