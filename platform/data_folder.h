#pragma once

#include <QString>
#include <QStringList>

namespace larkspur::platform {

// The working folder of a start from the menu: `dataHome`/larkspur, made with mode 0700
// on the first such start. That first start copies the settings and the list that earlier
// menu starts left in `home`, so nobody loses them; the originals stay where they are.
struct DataFolder {
    QString path;
    QString failure;    // why the folder cannot be used; empty when it can
    QStringList copied; // the files copied from the home folder
};

// The files of a working folder that a first start in the data folder takes along.
inline const QStringList WorkingFiles{QStringLiteral("1.pwl"), QStringLiteral("1.txt")};

DataFolder prepareDataFolder(const QString& home, const QString& dataHome);

// $XDG_DATA_HOME, else ~/.local/share.
QString userDataHome();

} // namespace larkspur::platform
