#pragma once

#include <QString>

#include "engine/night_summary.h"

namespace larkspur::platform {
class Notifier;
}

namespace larkspur::engine {

// The body of the morning's notification: what was fetched, then how the night ended,
// "12 files downloaded, 1.4 GB; 1 given up\nThe list was done after 05:12:40."
QString nightReport(const NightSummary& summary);

// The key of the notification's action that opens the download folder.
inline const QString OpenFolderAction = QStringLiteral("open-folder");

// Tells the desktop how the night went: title "Larkspur", the report, the program's icon
// and an Open folder action. The notification's id, 0 when no service shows it.
unsigned notifyNightEnded(platform::Notifier& notifier, const NightSummary& summary);

} // namespace larkspur::engine
