#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include "tests/support/qt_printers.h"

#include "app/download_folder.h"
#include "app/form1.h"
#include "framework/ansi_text.h"
#include "framework/errors.h"
#include "tests/support/form_fixture.h"
#include "widgets/memo.h"

namespace {

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void writeFile(const QString& path, const QByteArray& data) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(data);
}

unsigned modeOf(const QString& path) {
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_mode & 07777 : 0;
}

void putString(QByteArray& record, int offset, const QByteArray& text) {
    record[offset] = static_cast<char>(text.size());
    record.replace(offset + 1, text.size(), text);
}

// Limits the size of files this process writes, so that a write fails even for root.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &previous_);
        rlimit limit = previous_;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &previous_); }

private:
    rlimit previous_{};
};

} // namespace

class Settings : public larkspur::test::FormFixture {
protected:
    // A record written by hand, byte by byte.
    QByteArray goldenRecord() const {
        QByteArray record(299, '\0');
        putString(record, 0, "Modem");
        putString(record, 31, "ivan");
        putString(record, 62, QByteArray("\x1B\x0A\x00\x00", 4)); // "pakk": 'k' is the key
        putString(record, 93, "5551234");
        record[124] = 2;
        record[125] = 30;
        record[126] = 9;
        record[127] = 0;
        record[128] = 0;
        record[129] = 1;
        record[130] = 1;
        putString(record, 131, QFile::encodeName(path("dl")));
        for (int i = 260; i < 299; ++i)
            record[i] = static_cast<char>(0xA0 + i - 260);
        return record;
    }

    void restartWith(const QByteArray& settings, const QByteArray& urls = {}) {
        writeFile(path("1.pwl"), settings);
        writeFile(path("1.txt"), urls);
        makeForm();
    }
};

TEST_F(Settings, HandMadeRecordLoadsIntoTheWindowAndSavesBackByteForByte) {
    const QByteArray urls = "http://a/x.zip\r\nhttp://b/y.zip\r\n";
    restartWith(goldenRecord(), urls);
    EXPECT_TRUE(errorBox.messages.isEmpty()) << errorBox.messages.join("|").toStdString();

    EXPECT_EQ(form->Edit1->text(), "Modem");
    EXPECT_EQ(form->Edit2->text(), "ivan");
    EXPECT_EQ(form->Edit3->text(), "pakk");
    EXPECT_EQ(form->Edit4->text(), "5551234");
    EXPECT_EQ(form->Edit5->text(), "02");
    EXPECT_EQ(form->Edit6->text(), "30");
    EXPECT_EQ(form->StartMinute, 30);
    EXPECT_FALSE(form->Anytime->isChecked());
    EXPECT_TRUE(form->TurnOffWhenDone);
    EXPECT_TRUE(form->DisconnectWhenDone);
    EXPECT_EQ(form->DownloadDir, path("dl"));
    EXPECT_TRUE(QFileInfo(path("dl")).isDir()); // a missing folder is created
    EXPECT_EQ(form->Memo1->lines(), QStringList({"http://a/x.zip", "http://b/y.zip"}));

    form->Button2Click(form->Button2);
    EXPECT_EQ(readFile(path("1.pwl")), goldenRecord());
    EXPECT_EQ(readFile(path("1.txt")), urls);
}

TEST_F(Settings, FirstStartUsesDefaultsAndSaveWritesAFullRecord) {
    writeFile(path("1.txt"), "http://ignored/f\r\n");
    makeForm();
    EXPECT_TRUE(form->Memo1->toPlainText().isEmpty()); // the list needs the settings file
    EXPECT_EQ(form->DownloadDir, defaultDownloadDir());
    EXPECT_EQ(form->Edit9->text(), defaultDownloadDir());

    form->Button2Click(form->Button2);
    QByteArray expected(299, '\0');
    expected[124] = 2;
    expected[126] = 9;
    putString(expected, 131, larkspur::toAnsi(defaultDownloadDir()));
    EXPECT_EQ(readFile(path("1.pwl")), expected);
    EXPECT_EQ(readFile(path("1.txt")), QByteArray());
}

TEST_F(Settings, ShortRecordStopsLoadingWithReadBeyondEndOfFileButKeepsTheList) {
    restartWith(goldenRecord().left(298), "http://a/x.zip\r\n");
    EXPECT_EQ(errorBox.messages, QStringList({"Read beyond end of file."}));
    EXPECT_EQ(form->Edit1->text(), "");
    EXPECT_EQ(form->Edit6->text(), "00");
    EXPECT_FALSE(form->TurnOffWhenDone);
    EXPECT_EQ(form->Memo1->lines(), QStringList({"http://a/x.zip"}));
    EXPECT_EQ(form->DownloadDir, defaultDownloadDir()); // the folder the field shows
    EXPECT_EQ(form->Edit9->text(), defaultDownloadDir());
}

TEST_F(Settings, AListThatFailedToLoadIsNeverReplacedWithLess) {
    const QByteArray urls = QByteArray(16 * 1024 * 1024 + 1, 'u');
    restartWith(goldenRecord(), urls);
    EXPECT_EQ(errorBox.messages, QStringList({"Text exceeds memo capacity."}));
    form->Memo1->setWindowsText("http://typed/after");
    form->Button2Click(form->Button2);
    EXPECT_EQ(readFile(path("1.txt")), urls);
    EXPECT_EQ(readFile(path("1.pwl")), goldenRecord()); // the record loaded: saved as usual
}

TEST_F(Settings, StartUpRaisesTheShutdownPrivilegeOnlyWhenLoadingSucceeded) {
    EXPECT_EQ(machine.privilegesEnabled, QStringList({"SeShutdownPrivilege"})); // first start
    machine.privilegesEnabled.clear();
    restartWith(goldenRecord(), "");
    EXPECT_EQ(machine.privilegesEnabled, QStringList({"SeShutdownPrivilege"}));
    machine.privilegesEnabled.clear();
    restartWith(goldenRecord().left(10));
    EXPECT_TRUE(machine.privilegesEnabled.isEmpty());
}

TEST_F(Settings, BytesAfterTheRecordAreIgnored) {
    restartWith(goldenRecord() + "trailing junk");
    EXPECT_TRUE(errorBox.messages.isEmpty());
    EXPECT_EQ(form->Edit1->text(), "Modem");
}

TEST_F(Settings, ReadOnlyRecordIsRefusedAtStartAndAtSave) {
    writeFile(path("1.pwl"), goldenRecord());
    QFile::setPermissions(path("1.pwl"), QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
    makeForm();
    EXPECT_EQ(errorBox.messages, QStringList({"File access denied."}));

    EXPECT_THROW(form->WriteSettingsRecord(), larkspur::InOutError);
    EXPECT_EQ(readFile(path("1.pwl")), goldenRecord());
}

// Running as root, settings and list files that another user planted, or links, are not
// read: a box says so, the defaults are used, and no save replaces them.
TEST_F(Settings, AsRootAnotherUsersFileOrALinkIsNeitherReadNorSavedOver) {
    const QByteArray urls = "http://a/x.zip\r\n";
    for (const QString& name : {QStringLiteral("1.pwl"), QStringLiteral("1.txt")}) {
        for (const bool link : {false, true}) {
            restartWith(goldenRecord(), urls);
            const QByteArray planted = readFile(path(name));
            if (link) {
                QFile::rename(path(name), path("real"));
                QFile::link(path("real"), path(name));
            } else {
                ASSERT_EQ(::chown(QFile::encodeName(path(name)).constData(), 65534, 65534), 0);
            }
            makeForm();
            ASSERT_EQ(errorBox.messages.size(), 1) << name.toStdString() << link;
            EXPECT_TRUE(errorBox.messages[0].contains("belongs to another user"));
            EXPECT_EQ(form->Edit1->text(), name == "1.pwl" ? "" : "Modem");
            form->Button2Click(form->Button2);
            EXPECT_EQ(readFile(path(name)), planted) << name.toStdString() << link;
            EXPECT_EQ(QFileInfo(path(name)).isSymLink(), link);
            QFile::remove(path(name));
            QFile::remove(path("real"));
            errorBox.messages.clear();
        }
    }
}

TEST_F(Settings, MissingListFileIsReportedWithItsFullPath) {
    writeFile(path("1.pwl"), goldenRecord());
    makeForm();
    ASSERT_EQ(errorBox.messages.size(), 1);
    EXPECT_TRUE(errorBox.messages[0].startsWith("Cannot open file \"" + path("1.txt") + "\". "))
        << errorBox.messages[0].toStdString();
    EXPECT_EQ(form->Edit1->text(), "Modem"); // what was loaded before stays
}

TEST_F(Settings, AListAboveTheMemoCapacityIsRefused) {
    restartWith(goldenRecord(), QByteArray(16 * 1024 * 1024 + 1, 'u'));
    EXPECT_EQ(errorBox.messages, QStringList({"Text exceeds memo capacity."}));
    EXPECT_TRUE(form->Memo1->toPlainText().isEmpty());
}

TEST_F(Settings, ListLineBreaksBecomeCrLf) {
    restartWith(goldenRecord(), "a\rb\nc\r\nd");
    EXPECT_EQ(form->Memo1->lines(), QStringList({"a", "b", "c", "d"}));
    form->Button2Click(form->Button2);
    EXPECT_EQ(readFile(path("1.txt")), "a\r\nb\r\nc\r\nd");
}

TEST_F(Settings, NonIntegerScheduleFieldStopsSaveAfterTheList) {
    restartWith(goldenRecord());
    form->Memo1->setWindowsText("http://new/file");
    form->Edit5->setText("");
    try {
        form->Button2Click(form->Button2);
        FAIL() << "Save accepted an empty hour";
    } catch (const larkspur::Error& e) {
        EXPECT_EQ(e.message(), "'' is not a valid integer value");
    }
    EXPECT_EQ(readFile(path("1.txt")), "http://new/file");
    EXPECT_EQ(readFile(path("1.pwl")), goldenRecord());
}

TEST_F(Settings, ScheduleAndTextFieldsAreStoredAsTheRecordSays) {
    form->Edit5->setText("7");
    form->Edit6->setText("-1");
    form->Edit3->setText(QString(40, 'k'));
    form->Edit9->setText("/x/" + QString(125, 'f'));
    form->WriteSettingsRecord();
    const QByteArray record = readFile(path("1.pwl"));
    ASSERT_EQ(record.size(), 299);
    EXPECT_EQ(record[124], 7);
    EXPECT_EQ(static_cast<unsigned char>(record[125]), 255);
    EXPECT_EQ(record[62], 30);
    EXPECT_EQ(record.mid(63, 30), QByteArray(30, '\0')); // "k" is the key: stored as zeros
    EXPECT_EQ(static_cast<unsigned char>(record[131]), 128);
    EXPECT_EQ(record.mid(132, 128), QByteArray("/x/") + QByteArray(125, 'f'));

    makeForm();
    EXPECT_EQ(form->Edit5->text(), "07");
    EXPECT_EQ(form->Edit6->text(), "255"); // shown whole although typing stops at two
    EXPECT_EQ(form->StartMinute, 255);
    EXPECT_EQ(form->Edit3->text(), QString(30, 'k'));
}

TEST_F(Settings, DamagedLengthBytesAreClampedToTheirFields) {
    QByteArray record = goldenRecord();
    record[0] = static_cast<char>(200);
    record[131] = static_cast<char>(255);
    restartWith(record);
    EXPECT_EQ(form->Edit1->text().size(), 30);
    EXPECT_EQ(form->Edit1->text().left(5), "Modem");
    // The folder's zero padding is no part of a path.
    EXPECT_EQ(form->Edit9->text(), path("dl"));
    EXPECT_EQ(form->DownloadDir, path("dl"));
}

TEST_F(Settings, TheRecordIsReadableByItsOwnerOnlyAndTheListAsUsual) {
    const mode_t previous = ::umask(022);
    form->Button2Click(form->Button2);
    EXPECT_EQ(modeOf(path("1.pwl")), 0600u);
    EXPECT_EQ(modeOf(path("1.txt")), 0644u);

    ::chmod(QFile::encodeName(path("1.pwl")).constData(), 0664);
    form->Button2Click(form->Button2);
    EXPECT_EQ(modeOf(path("1.pwl")), 0600u);
    ::umask(previous);
}

TEST_F(Settings, TemporariesOfInterruptedSavesAreRemovedAtStart) {
    const QStringList stale{".1.pwl.larkspur-Ab12Cd", ".1.txt.larkspur-Xy34Zw",
                            "dl/.log.txt.larkspur-Qq11Qq"};
    QDir(workDir.path()).mkdir("dl");
    for (const QString& name : stale)
        writeFile(path(name), "half");
    restartWith(goldenRecord(), "");
    for (const QString& name : stale)
        EXPECT_FALSE(QFileInfo::exists(path(name))) << name.toStdString();
}

TEST_F(Settings, CyrillicTextIsStoredAsWindows1251AndComesBack) {
    const QString entry = QString::fromUtf8("Модем");
    const QString user = QString::fromUtf8("Иван Ёлкин");
    form->Edit1->setText(entry);
    form->Edit2->setText(user);
    form->Memo1->setWindowsText(QString::fromUtf8("http://сервер/файл.zip"));
    form->Button2Click(form->Button2);
    const QByteArray record = readFile(path("1.pwl"));
    EXPECT_EQ(record.mid(0, 6), QByteArray("\x05\xCC\xEE\xE4\xE5\xEC"));
    EXPECT_EQ(readFile(path("1.txt")),
              larkspur::toAnsi(QString::fromUtf8("http://сервер/файл.zip")));

    makeForm();
    EXPECT_EQ(form->Edit1->text(), entry);
    EXPECT_EQ(form->Edit2->text(), user);
    EXPECT_EQ(form->Memo1->line(0), QString::fromUtf8("http://сервер/файл.zip"));
}

TEST_F(Settings, FailedWritesLeaveThePreviousFilesWhole) {
    const QByteArray urls = "http://a/x.zip\r\n";
    restartWith(goldenRecord(), urls);
    {
        FileSizeLimit limit(200); // the record needs 299 bytes
        form->Edit1->setText("Changed");
        EXPECT_THROW(form->WriteSettingsRecord(), larkspur::InOutError);
        form->Memo1->setWindowsText(QString(300, 'u'));
        EXPECT_THROW(form->Button2Click(form->Button2), larkspur::Error);
    }
    EXPECT_EQ(readFile(path("1.pwl")), goldenRecord());
    EXPECT_EQ(readFile(path("1.txt")), urls);
    EXPECT_EQ(QDir(workDir.path()).entryList(QDir::Files),
              QStringList({"1.pwl", "1.txt"})); // no temporary file left behind
}

TEST_F(Settings, ListBytesTheCodePageLeavesUndefinedOrNoBreakSpacesSurvive) {
    const QByteArray urls = "http://a/\x98\xA0x.zip\r\nhttp://b/\xA0";
    restartWith(goldenRecord(), urls);
    form->Button2Click(form->Button2);
    EXPECT_EQ(readFile(path("1.txt")), urls);
}

class DownloadFolder : public larkspur::test::FormFixture {};

TEST_F(DownloadFolder, AFolderTheRecordCannotHoldIsUsedAndKeptInTheFolderFile) {
    const QString unicode = path(QString::fromUtf8("Téléchargements/文件"));
    const QString tooLong = path(QString(130, 'f'));
    for (const QString& folder : {unicode, tooLong}) {
        SCOPED_TRACE(folder.toStdString());
        folders.answer = folder;
        form->Button5Click(form->Button5);
        EXPECT_EQ(form->DownloadDir, folder);
        EXPECT_TRUE(QFileInfo(folder).isDir());
        form->WriteSettingsRecord();
        EXPECT_EQ(readFile(path("1.pwl"))[131], '\0'); // never stored mangled
        EXPECT_EQ(readFile(path("1.folder")), folder.toUtf8() + "\n");
        makeForm();
        EXPECT_EQ(form->DownloadDir, folder);
        EXPECT_EQ(form->Edit9->text(), folder);
    }
    form->Edit9->setText(path("kept"));
    form->Button10Click(form->Button10);
    form->WriteSettingsRecord();
    EXPECT_FALSE(QFileInfo::exists(path("1.folder"))); // the record holds this one
    makeForm();
    EXPECT_EQ(form->DownloadDir, path("kept"));
}

TEST_F(DownloadFolder, ChangeAppliesTheFieldAndCreatesTheTree) {
    form->Edit9->setText(path("a/b/c/"));
    form->Button10Click(form->Button10);
    EXPECT_EQ(form->DownloadDir, path("a/b/c"));
    EXPECT_EQ(form->Edit9->text(), path("a/b/c/")); // the field keeps its slash
    EXPECT_TRUE(QFileInfo(path("a/b/c")).isDir());

    form->Edit9->setText("");
    form->Button10Click(form->Button10);
    EXPECT_EQ(form->DownloadDir, defaultDownloadDir());
    EXPECT_EQ(form->Edit9->text(), defaultDownloadDir());
}

TEST_F(DownloadFolder, ChangeRefusesAFolderThatCannotBeMadeAndKeepsTheOneInUse) {
    writeFile(path("file"), "a plain file on the way");
    form->Edit9->setText(path("kept"));
    form->Button10Click(form->Button10);
    for (const QString& folder : {QString("/"), QString("Files"), path("file/sub")}) {
        SCOPED_TRACE(folder.toStdString());
        form->Edit9->setText(folder);
        try {
            form->Button10Click(form->Button10);
            ADD_FAILURE() << "Change accepted it";
        } catch (const larkspur::Error& e) {
            EXPECT_EQ(e.message(), "Unable to create directory");
        }
        EXPECT_EQ(form->DownloadDir, path("kept"));
        EXPECT_EQ(form->Edit9->text(), path("kept"));
    }
    EXPECT_FALSE(QFileInfo::exists(path("Files")));
}

TEST(ForceDirectories, FollowsTheFolderTreeRules) {
    EXPECT_THROW(ForceDirectories(""), larkspur::Error);
    EXPECT_TRUE(ForceDirectories("/"));
    EXPECT_TRUE(ForceDirectories("/tmp"));
    EXPECT_THROW(ForceDirectories("no-such-relative-folder/x"), larkspur::Error);
    EXPECT_FALSE(ForceDirectories("/proc/no-such-folder/x")); // cannot be made
}

TEST_F(DownloadFolder, BrowseCancelledOnAVanishedFolderKeepsTheFolderInUse) {
    form->Edit9->setText(path("gone"));
    form->Button10Click(form->Button10);
    QDir(path("gone")).removeRecursively();
    form->Button5Click(form->Button5);
    EXPECT_EQ(folders.calls, 1);
    EXPECT_EQ(folders.caption, "Choose folder where the downloaded files will be placed");
    EXPECT_EQ(folders.root, path("gone"));
    EXPECT_EQ(folders.initial, ""); // nothing to preselect
    EXPECT_EQ(form->DownloadDir, path("gone"));
    EXPECT_EQ(form->Edit9->text(), path("gone"));
}

TEST_F(DownloadFolder, BrowseAppliesTheChosenFolder) {
    QDir(workDir.path()).mkdir("chosen");
    form->DownloadDir = workDir.path();
    folders.answer = path("chosen");
    form->Button5Click(form->Button5);
    EXPECT_EQ(folders.initial, workDir.path());
    EXPECT_EQ(form->DownloadDir, path("chosen"));
    EXPECT_EQ(form->Edit9->text(), path("chosen"));
}

TEST_F(DownloadFolder, OpenFolderAsksTheShellForTheAbsoluteFolderWithItsSlash) {
    form->DownloadDir = workDir.path();
    form->Button6Click(form->Button6);
    form->DownloadDir = "relative";
    form->Button6Click(form->Button6);
    EXPECT_EQ(shell.opened, (QList<QUrl>{QUrl::fromLocalFile(workDir.path() + "/"),
                                         QUrl::fromLocalFile(path("relative/"))}));
}
