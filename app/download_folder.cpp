// The download folder: Change, Browse..., Open folder and creating the folder tree.
#include "app/download_folder.h"

#include "app/form1.h"

#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardPaths>
#include <QUrl>

#include "app/settings_record.h"
#include "framework/ansi_text.h"
#include "framework/errors.h"
#include "job/folder_field.h"
#include "platform/folder_browser.h"
#include "platform/shell.h"

QString defaultDownloadDir() {
    return QStandardPaths::writableLocation(QStandardPaths::DownloadLocation);
}

bool recordHoldsFolder(const QString& folder) {
    return larkspur::fitsAnsi(folder) && folder.size() <= SettingsRecord::Folder.capacity;
}

bool ForceDirectories(QString dir) {
    if (dir.isEmpty())
        throw larkspur::Error(QStringLiteral("Unable to create directory"));
    if (dir.endsWith(QLatin1Char('/')))
        dir.chop(1);
    if (dir.isEmpty() || QFileInfo(dir).isDir()) // the root, or already there
        return true;
    const QString parent = dir.left(dir.lastIndexOf(QLatin1Char('/')) + 1);
    return ForceDirectories(parent) && QDir().mkdir(dir);
}

bool SelectFolder(larkspur::platform::FolderBrowser& browser, const QString& caption,
                  const QString& root, QString& folder) {
    if (!QFileInfo(folder).isDir())
        folder.clear();
    const std::optional<QString> chosen = browser.browse(caption, root, folder);
    if (!chosen)
        return false;
    folder = *chosen;
    return true;
}

namespace {

bool folderTreeMade(const QString& folder) {
    try {
        return ForceDirectories(folder);
    } catch (const larkspur::Error&) {
        return false;
    }
}

} // namespace

// A folder that cannot be made (a plain file on its way, a relative name, "/") is
// refused: the folder in use stays, and the field shows it.
void TForm1::Button10Click(QObject*) {
    const QString folder = larkspur::job::folderOfField(Edit9->text(), defaultDownloadDir());
    if (!folderTreeMade(folder)) {
        if (DownloadDir.isEmpty()) // nothing in use yet: files must not go to "/"
            DownloadDir = folder;
        Edit9->setText(DownloadDir);
        throw larkspur::Error(QStringLiteral("Unable to create directory"));
    }
    if (Edit9->text().isEmpty())
        Edit9->setText(folder);
    DownloadDir = folder;
}

// The dialog works on a copy: cancelled, it leaves the folder in use as the field shows it.
void TForm1::Button5Click(QObject*) {
    QString chosen = DownloadDir;
    if (!SelectFolder(*services_.folders,
                      QStringLiteral("Choose folder where the downloaded files will be placed"),
                      Edit9->text(), chosen))
        return;
    Edit9->setText(chosen);
    Button10Click(Button10);
}

void TForm1::Button6Click(QObject*) {
    // A file manager opens no relative file: address.
    const QString folder = QDir::current().absoluteFilePath(DownloadDir + QLatin1Char('/'));
    if (!services_.shell->open(QUrl::fromLocalFile(folder)))
        AddLog(
            QStringLiteral("Cannot open the folder %1: no program here opens folders").arg(folder));
}

// Begin, and which folder the files go to when "Dir" shows one that was never applied.
void TForm1::Button7Click(QObject*) {
    job_->Button7Click();
    const QString line =
        larkspur::job::unappliedFolderLine(Edit9->text(), DownloadDir, defaultDownloadDir());
    if (!line.isEmpty())
        AddLog(line);
}
