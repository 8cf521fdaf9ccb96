#pragma once

#include <QObject>
#include <QString>
#include <cstdint>
#include <functional>

// Handlers of the fetch component's events, called with the sender first. Empty means
// unassigned.
using TOnProgressEvent =
    std::function<void(QObject* Sender, std::int64_t TotalSize, std::int64_t Readed)>;
using TOnDoneFileEvent =
    std::function<void(QObject* Sender, const QString& FileName, std::int64_t FileSize)>;
using TOnDoneStringEvent = std::function<void(QObject* Sender, const QString& Result)>;
