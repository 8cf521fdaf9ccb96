#pragma once

#include <QObject>
#include <functional>

// A handler bound to its object, called with the sender first. Empty means unassigned.
using TNotifyEvent = std::function<void(QObject* Sender)>;
