#pragma once

#include <QList>
#include <QString>

#include "platform/notifier.h"

namespace larkspur::test {

// Keeps what it was asked to show; `pick` plays a user's click on an action.
class FakeNotifier : public platform::Notifier {
public:
    struct Shown {
        unsigned id;
        QString title, body, icon;
        QList<platform::NotificationAction> actions;
    };
    bool actions = true;   // whether the service shows actions
    bool available = true; // false: no service
    QList<Shown> shown;    // every notify, replacements included
    QList<unsigned> closed;
    int asked = 0; // notify calls, shown or not

    unsigned notify(const QString& title, const QString& body, const QString& icon,
                    const QList<platform::NotificationAction>& offered,
                    unsigned replaces) override {
        ++asked;
        if (!available)
            return 0;
        const unsigned id = replaces != 0 ? replaces : unsigned(shown.size()) + 1;
        shown.append({id, title, body, icon, offered});
        return id;
    }
    void close(unsigned id) override { closed.append(id); }
    bool supportsActions() override { return available && actions; }
    void pick(unsigned id, const QString& key) { emit actionInvoked(id, key); }
};

} // namespace larkspur::test
