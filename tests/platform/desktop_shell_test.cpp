#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include "platform_desktop/desktop_services.h"

namespace {

TEST(DesktopShell, TheOpenerInheritsNoDescriptorOfOursAboveTwo) {
    QTemporaryDir dir;
    const QString opener = dir.filePath("opener"), seen = dir.filePath("seen");
    QFile script(opener);
    ASSERT_TRUE(script.open(QIODevice::WriteOnly));
    script.write(QStringLiteral("#!/bin/sh\nls -l /proc/$$/fd/ > '%1.part'; echo \"$1\" >> "
                                "'%1.part'; mv '%1.part' '%1'\n")
                     .arg(seen)
                     .toUtf8());
    script.close();
    script.setPermissions(QFile::ReadOwner | QFile::ExeOwner);
    const QString socketLike = dir.filePath("connection"); // no close-on-exec, as libcurl's
    const int inherited = ::open(QFile::encodeName(socketLike).constData(), O_CREAT | O_RDWR, 0600);

    larkspur::platform::makeDesktopShell(opener)->open(QUrl::fromLocalFile(dir.path() + "/"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return QFile::exists(seen); }, 10000));
    QFile result(seen);
    ASSERT_TRUE(result.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(result.readAll());
    EXPECT_FALSE(text.contains(socketLike)) << text.toStdString();
    EXPECT_TRUE(text.endsWith(dir.path() + "/\n")) << text.toStdString();
    ::close(inherited);
}

} // namespace

namespace {

TEST(DesktopShell, SaysWhetherTheOpenerCouldOpen) {
    QTemporaryDir dir;
    const struct {
        const char* script; // empty: no opener at all
        bool opened;
    } cases[] = {{"exit 0", true}, {"exit 3", false}, {"sleep 4", true}, {nullptr, false}};
    for (const auto& c : cases) {
        const QString opener = dir.filePath("opener");
        QFile::remove(opener);
        if (c.script) {
            QFile script(opener);
            ASSERT_TRUE(script.open(QIODevice::WriteOnly));
            script.write(QByteArray("#!/bin/sh\n") + c.script + "\n");
            script.close();
            script.setPermissions(QFile::ReadOwner | QFile::ExeOwner);
        }
        EXPECT_EQ(larkspur::platform::makeDesktopShell(opener)->open(QUrl::fromLocalFile("/")),
                  c.opened)
            << (c.script ? c.script : "no opener");
    }
}

} // namespace
