// Any bytes as the settings file "1.pwl": loading either refuses a short file or gives a
// record whose every field reads within its bounds, and saving that record and loading
// it again gives the same record.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdint>

#include "app/settings_record.h"
#include "app/settings_storage.h"
#include "framework/ansi_text.h"
#include "framework/errors.h"

namespace {

void require(bool condition) {
    if (!condition)
        __builtin_trap();
}

const QTemporaryDir& folder() {
    static const QTemporaryDir dir;
    return dir;
}

void readEveryField(const SettingsRecord& record) {
    for (const SettingsRecord::StringField field :
         {SettingsRecord::ConnectionName, SettingsRecord::UserName, SettingsRecord::Password,
          SettingsRecord::Phone, SettingsRecord::Folder}) {
        const QByteArray text = record.string(field);
        require(text.size() <= field.capacity);
        require(ScramblePassword(ScramblePassword(text)) == text);
        require(larkspur::toAnsi(larkspur::fromAnsi(text)).size() == text.size());
    }
    require(record.reserved().size() == SettingsRecord::ReservedSize);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString path = folder().filePath(QStringLiteral("1.pwl"));
    {
        QFile file(path);
        require(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(reinterpret_cast<const char*>(data), qint64(size));
    }
    SettingsRecord record;
    try {
        record = readSettingsFile(path);
    } catch (const larkspur::InOutError&) {
        require(size < std::size_t(SettingsRecord::Size));
        return 0;
    }
    require(size >= std::size_t(SettingsRecord::Size));
    require(record.toBytes() ==
            QByteArray(reinterpret_cast<const char*>(data), SettingsRecord::Size));
    readEveryField(record);
    const QString saved = folder().filePath(QStringLiteral("saved.pwl"));
    writeSettingsFile(saved, record);
    require(readSettingsFile(saved).toBytes() == record.toBytes());
    return 0;
}
