#pragma once

#include <QObject>
#include <QString>
#include <cstdint>
#include <functional>

// Handlers of the fetch component's events, called with the sender first. Empty means
// unassigned.
using TOnProgressEvent =
    std::function<void(QObject* Sender, std::int32_t TotalSize, std::int32_t Readed)>;
using TOnDoneFileEvent =
    std::function<void(QObject* Sender, const QString& FileName, std::int32_t FileSize)>;
using TOnDoneStringEvent = std::function<void(QObject* Sender, const QString& Result)>;
