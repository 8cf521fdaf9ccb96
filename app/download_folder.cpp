// The download folder: Change, Browse..., Open folder and creating the folder tree.
#include "app/download_folder.h"

#include "app/form1.h"

#include <QStandardPaths>

QString defaultDownloadDir() {
    return QStandardPaths::writableLocation(QStandardPaths::DownloadLocation);
}

void TForm1::Button5Click(QObject*) {}

void TForm1::Button6Click(QObject*) {}

void TForm1::Button10Click(QObject*) {}
