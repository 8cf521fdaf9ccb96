#pragma once

#include <QString>

namespace larkspur::platform {
class FolderBrowser;
}

// The folder downloads go to when none is set: the desktop's download folder.
QString defaultDownloadDir();

// Whether the settings record can hold `folder`: every character in its code page, and
// no longer than its field. Another folder is kept in the folder file beside it.
bool recordHoldsFolder(const QString& folder);

// Creates the folder and every missing parent. An empty path, or a relative path
// whose first folder is missing, raises "Unable to create directory"; otherwise
// the result tells whether the folder now exists.
bool ForceDirectories(QString dir);

// Lets the user choose a folder below `root`. `folder` is emptied first when it is
// not an existing folder (the dialog then preselects nothing), and holds the choice when
// the result is true.
bool SelectFolder(larkspur::platform::FolderBrowser& browser, const QString& caption,
                  const QString& root, QString& folder);
