// Start-up loading and Save: the settings record "1.pwl" and the URL list "1.txt".
#include "app/form1.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <cstdlib>
#include <ctime>
#include <exception>

#include "app/download_folder.h"
#include "app/settings_storage.h"
#include "framework/ansi_text.h"
#include "framework/atomic_file.h"
#include "framework/errors.h"
#include "widgets/memo.h"

using larkspur::fromAnsi;
using larkspur::toAnsi;

namespace {

QString twoDigits(std::uint8_t value) {
    return QString::asprintf("%.2d", value);
}

// Decimal integer with optional blanks around and a sign; anything else is refused.
std::uint8_t lowByteOfInteger(const QLineEdit* field) {
    bool ok = false;
    const int value = field->text().trimmed().toInt(&ok, 10);
    if (!ok)
        throw larkspur::notAValidInteger(field->text());
    return static_cast<std::uint8_t>(value);
}

// A damaged record's folder may carry the zero bytes of its padding, which no path can.
QString storedFolder(const SettingsRecord& record) {
    const QByteArray text = record.string(SettingsRecord::Folder);
    const qsizetype end = text.indexOf('\0');
    return fromAnsi(end < 0 ? text : text.first(end));
}

} // namespace

void TForm1::FormCreate(QObject*) {
    std::srand(static_cast<unsigned>(std::time(nullptr)));
    larkspur::removeStaleTemporaries(SettingsFileName);
    larkspur::removeStaleTemporaries(UrlListFileName);
    larkspur::removeStaleTemporaries(FolderFileName);
    const QFileInfo settings(SettingsFileName);
    if (settings.exists() && !settings.isDir())
        loadSettingsAndList();
    else
        Button10Click(Button10);
    larkspur::removeStaleTemporaries(DownloadDir + QLatin1Char('/') + LogFileName);
    EnableShutdownPrivilegeAtStartup();
}

// The list is read whatever became of the settings, and the job uses the folder the
// field shows: its default when the record could not be read. The first error is shown.
void TForm1::loadSettingsAndList() {
    std::exception_ptr failure;
    const auto attempt = [&failure](const auto& step) {
        try {
            step();
        } catch (...) {
            if (!failure)
                failure = std::current_exception();
        }
    };
    attempt([this] { LoadSettings(); });
    if (DownloadDir.isEmpty())
        attempt([this] { Button10Click(Button10); });
    attempt([this] { Memo1->setWindowsText(keptFiles_.load(UrlListFileName, readUrlList)); });
    if (failure)
        std::rethrow_exception(failure);
}

void TForm1::LoadSettings() {
    SettingsRecord record = keptFiles_.load(SettingsFileName, readSettingsFile);

    Edit1->setText(fromAnsi(record.string(SettingsRecord::ConnectionName)));
    Edit2->setText(fromAnsi(record.string(SettingsRecord::UserName)));
    record.setString(SettingsRecord::Password,
                     ScramblePassword(record.string(SettingsRecord::Password)));
    Edit3->setText(fromAnsi(record.string(SettingsRecord::Password)));
    Edit4->setText(fromAnsi(record.string(SettingsRecord::Phone)));

    Edit5->setText(twoDigits(record.byte(SettingsRecord::StartHour)));
    Edit6->setText(twoDigits(record.byte(SettingsRecord::StartMinute)));
    Edit7->setText(twoDigits(record.byte(SettingsRecord::EndHour)));
    Edit8->setText(twoDigits(record.byte(SettingsRecord::EndMinute)));

    Anytime->setChecked(record.flag(SettingsRecord::AnyTime));
    CheckBox2->setChecked(record.flag(SettingsRecord::TurnOff));
    CheckBox3->setChecked(record.flag(SettingsRecord::Disconnect));

    LoadedSettings = record;
    StartHour = record.byte(SettingsRecord::StartHour);
    StartMinute = record.byte(SettingsRecord::StartMinute);
    EndHour = record.byte(SettingsRecord::EndHour);
    EndMinute = record.byte(SettingsRecord::EndMinute);

    DownloadDir = storedFolder(record);
    if (DownloadDir.isEmpty())
        DownloadDir = readFolderFile(FolderFileName); // one the record cannot hold
    Edit9->setText(DownloadDir);
    if (DownloadDir.isEmpty())
        DownloadDir = defaultDownloadDir();
    if (!QFileInfo(DownloadDir).isDir())
        ForceDirectories(DownloadDir);
}

void TForm1::Button2Click(QObject*) {
    const QString list = Memo1->windowsText();
    if (keptFiles_.mayReplace(UrlListFileName, toAnsi(list).size()))
        writeUrlList(UrlListFileName, list);
    WriteSettingsRecord();
}

void TForm1::WriteSettingsRecord() {
    SettingsRecord record;
    record.setString(SettingsRecord::ConnectionName, toAnsi(Edit1->text()));
    record.setString(SettingsRecord::UserName, toAnsi(Edit2->text()));
    record.setString(SettingsRecord::Password, toAnsi(Edit3->text()));
    record.setString(SettingsRecord::Password,
                     ScramblePassword(record.string(SettingsRecord::Password)));
    record.setString(SettingsRecord::Phone, toAnsi(Edit4->text()));
    record.setByte(SettingsRecord::StartHour, lowByteOfInteger(Edit5));
    record.setByte(SettingsRecord::StartMinute, lowByteOfInteger(Edit6));
    record.setByte(SettingsRecord::EndHour, lowByteOfInteger(Edit7));
    record.setByte(SettingsRecord::EndMinute, lowByteOfInteger(Edit8));
    record.setFlag(SettingsRecord::AnyTime, Anytime->isChecked());
    record.setFlag(SettingsRecord::TurnOff, CheckBox2->isChecked());
    record.setFlag(SettingsRecord::Disconnect, CheckBox3->isChecked());
    // A folder the record cannot hold is never stored mangled: the folder file keeps it.
    const QString folder = Edit9->text();
    const bool inRecord = recordHoldsFolder(folder);
    record.setString(SettingsRecord::Folder, inRecord ? toAnsi(folder) : QByteArray());
    record.setReserved(LoadedSettings.reserved());
    if (!keptFiles_.mayReplace(SettingsFileName, SettingsRecord::Size))
        return;
    writeFolderFile(FolderFileName, inRecord ? QString() : folder);
    writeSettingsFile(SettingsFileName, record);
}
