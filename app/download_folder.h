#pragma once

#include <QString>

namespace larkspur::platform {
class FolderBrowser;
}

// The folder downloads go to when none is set: the desktop's download folder.
QString defaultDownloadDir();

// Why the settings record cannot hold `folder` (characters outside its code page, or
// longer than its field); empty when it can. Stored anyway, it would come back as
// another folder at the next start.
QString folderRefusal(const QString& folder);

// Creates the folder and every missing parent. An empty path, or a relative path
// whose first folder is missing, raises "Unable to create directory"; otherwise
// the result tells whether the folder now exists.
bool ForceDirectories(QString dir);

// Lets the user choose a folder below `root`. `folder` is emptied first when it is
// not an existing folder, and holds the choice when the result is true.
bool SelectFolder(larkspur::platform::FolderBrowser& browser, const QString& caption,
                  const QString& root, QString& folder);
