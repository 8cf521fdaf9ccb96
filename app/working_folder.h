#pragma once

#include <QStringList>

class QWidget;

namespace larkspur::platform {
class FolderLock;
}

// Makes the user's data folder the working folder, as a start from the menu asks; false,
// after saying why, when it cannot be used.
bool enterDataFolder();

// Whether this start may work in the working folder. When another copy works there, this
// start hands it `urls` and ends quietly; only a copy that cannot take them is reported.
enum class FolderClaim { Ours, HandedOver, Refused };
FolderClaim claimWorkingFolder(const larkspur::platform::FolderLock& lock, const QStringList& urls);

// Shows the window on top, for a later start that found it running.
void bringForward(QWidget& window);
