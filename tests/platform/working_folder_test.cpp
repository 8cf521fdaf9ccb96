#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "tests/support/qt_printers.h"

#include "platform/data_folder.h"
#include "platform/url_handover.h"

using namespace larkspur::platform;

namespace {

TEST(UrlHandover, ALaterStartHandsItsUrlsToTheCopyThatListensInTheFolder) {
    QTemporaryDir folder, elsewhere;
    const QString deep = folder.filePath(QString(120, 'd')); // too long for a socket's path
    ASSERT_TRUE(QDir().mkpath(deep));
    for (const QString& working : {folder.path(), deep}) {
        EXPECT_FALSE(handUrlsOver(working, {"http://h/a"})); // nobody listens yet
        UrlInbox inbox(working);
        ASSERT_TRUE(inbox.listening());
        QSignalSpy arrived(&inbox, &UrlInbox::arrived);
        EXPECT_TRUE(handUrlsOver(working, {"http://h/a", " h/b ", ""}));
        ASSERT_TRUE(arrived.wait(5000));
        EXPECT_EQ(arrived.at(0).at(0).toStringList(), QStringList({"http://h/a", "h/b"}));
        EXPECT_FALSE(handUrlsOver(elsewhere.path(), {"http://h/a"}));
    }
}

TEST(UrlHandover, ASocketACrashedCopyLeftIsReplaced) {
    QTemporaryDir folder;
    QFile stale(folder.filePath(".larkspur.socket"));
    ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
    stale.close();
    EXPECT_TRUE(UrlInbox(folder.path()).listening());
}

QString read(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : "(none)";
}

TEST(DataFolder, TheFirstMenuStartMakesItPrivateAndTakesTheHomeFoldersFilesAlong) {
    QTemporaryDir home;
    const QString dataHome = home.filePath(".local/share");
    for (const QString& name : WorkingFiles) {
        QFile file(home.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(name.toUtf8());
    }
    const DataFolder first = prepareDataFolder(home.path(), dataHome);
    EXPECT_EQ(first.failure, "");
    EXPECT_EQ(first.path, dataHome + "/larkspur");
    EXPECT_EQ(first.copied, WorkingFiles);
    const auto ownerOnly = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                           QFile::ReadUser | QFile::WriteUser | QFile::ExeUser;
    EXPECT_EQ(QFile::permissions(first.path), ownerOnly);
    EXPECT_EQ(read(first.path + "/1.txt"), "1.txt");
    EXPECT_EQ(read(home.filePath("1.txt")), "1.txt"); // the originals stay

    QFile::remove(first.path + "/1.txt"); // the user's own doing: a later start copies nothing
    const DataFolder later = prepareDataFolder(home.path(), dataHome);
    EXPECT_EQ(later.failure, "");
    EXPECT_TRUE(later.copied.isEmpty());
    EXPECT_FALSE(QFile::exists(first.path + "/1.txt"));
}

TEST(DataFolder, AFolderThatCannotBeMadeSaysWhy) {
    QTemporaryDir home;
    QFile inTheWay(home.filePath("larkspur"));
    ASSERT_TRUE(inTheWay.open(QIODevice::WriteOnly));
    inTheWay.close();
    const DataFolder folder = prepareDataFolder(home.path(), home.path());
    EXPECT_TRUE(folder.failure.startsWith("cannot make the folder"))
        << folder.failure.toStdString();
}

} // namespace
