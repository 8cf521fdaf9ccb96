#pragma once

#include <QByteArray>
#include <QString>
#include <memory>

#include "platform/folder_browser.h"
#include "platform/shell.h"
#include "platform/window_system.h"

namespace larkspur::platform {

// The services that need the desktop: its widgets, its shell and its X display.
// Opens through `opener` (a program name looked up in PATH, or a path), started as a
// child of its own that inherits none of our connections.
std::unique_ptr<Shell> makeDesktopShell(const QString& opener = QStringLiteral("xdg-open"));
std::unique_ptr<FolderBrowser> makeFolderTreeBrowser();
// The X display DISPLAY names; an empty name means DISPLAY. Without a display there
// are no windows.
std::unique_ptr<WindowSystem> makeX11WindowSystem(const QByteArray& displayName = {});

} // namespace larkspur::platform
