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
#include "platform/folder_browser.h"
#include "platform/shell.h"

QString defaultDownloadDir() {
    return QStandardPaths::writableLocation(QStandardPaths::DownloadLocation);
}

QString folderRefusal(const QString& folder) {
    if (!larkspur::fitsAnsi(folder))
        return QStringLiteral("The folder \"%1\" cannot be used: the settings file cannot store "
                              "some characters of its name.")
            .arg(folder);
    if (folder.size() > SettingsRecord::Folder.capacity)
        return QStringLiteral("The folder \"%1\" cannot be used: the settings file stores at most "
                              "%2 characters of a folder.")
            .arg(folder)
            .arg(SettingsRecord::Folder.capacity);
    return {};
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

void TForm1::Button10Click(QObject*) {
    const QString folder = Edit9->text().isEmpty() ? defaultDownloadDir() : Edit9->text();
    if (const QString refusal = folderRefusal(folder); !refusal.isEmpty()) {
        Edit9->setText(DownloadDir); // the folder in use stays, and Save stores it
        throw larkspur::Error(refusal);
    }
    DownloadDir = folder;
    Edit9->setText(DownloadDir);
    if (DownloadDir.endsWith(QLatin1Char('/')))
        DownloadDir.chop(1);
    try {
        ForceDirectories(DownloadDir);
    } catch (const larkspur::Error&) {
        Edit9->setText(defaultDownloadDir());
    }
}

void TForm1::Button5Click(QObject*) {
    const QString previous = DownloadDir;
    if (!SelectFolder(*services_.folders,
                      QStringLiteral("Choose folder where the downloaded files will be placed"),
                      Edit9->text(), DownloadDir))
        return;
    if (const QString refusal = folderRefusal(DownloadDir); !refusal.isEmpty()) {
        DownloadDir = previous;
        throw larkspur::Error(refusal);
    }
    Edit9->setText(DownloadDir);
    Button10Click(Button10);
}

void TForm1::Button6Click(QObject*) {
    // A file manager opens no relative file: address.
    const QString folder = QDir::current().absoluteFilePath(DownloadDir + QLatin1Char('/'));
    if (!services_.shell->open(QUrl::fromLocalFile(folder)))
        AddLog(
            QStringLiteral("Cannot open the folder %1: no program here opens folders").arg(folder));
}
