#include "job/folder_field.h"

#include <QDir>

namespace larkspur::job {

QString folderOfField(const QString& fieldText, const QString& defaultFolder) {
    QString folder = fieldText.isEmpty() ? defaultFolder : fieldText;
    if (folder.endsWith(QLatin1Char('/')))
        folder.chop(1);
    return folder;
}

QString unappliedFolderLine(const QString& fieldText, const QString& folderInUse,
                            const QString& defaultFolder) {
    const QString typed = folderOfField(fieldText, defaultFolder);
    if (QDir::cleanPath(typed) == QDir::cleanPath(folderInUse))
        return {};
    return QStringLiteral("The folder typed in \"Dir\" is not in use until Change is pressed: "
                          "the files go to \"%1\".")
        .arg(folderInUse);
}

} // namespace larkspur::job
