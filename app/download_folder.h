#pragma once

#include <QString>

namespace larkspur::platform {
class FolderBrowser;
}

// The folder downloads go to when none is set: the desktop's download folder.
QString defaultDownloadDir();

// Creates the folder and every missing parent. An empty path, or a relative path
// whose first folder is missing, raises "Unable to create directory"; otherwise
// the result tells whether the folder now exists.
bool ForceDirectories(QString dir);

// Lets the user choose a folder below `root`. `folder` is emptied first when it is
// not an existing folder, and holds the choice when the result is true.
bool SelectFolder(larkspur::platform::FolderBrowser& browser, const QString& caption,
                  const QString& root, QString& folder);
