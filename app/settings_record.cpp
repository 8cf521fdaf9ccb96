#include "app/settings_record.h"

#include <algorithm>
#include <cstring>

QByteArray SettingsRecord::string(StringField field) const {
    const int length = std::min<int>(bytes_[field.offset], field.capacity);
    return QByteArray(reinterpret_cast<const char*>(&bytes_[field.offset + 1]), length);
}

void SettingsRecord::setString(StringField field, const QByteArray& text) {
    const int length = std::min<int>(text.size(), field.capacity);
    std::fill_n(&bytes_[field.offset], field.capacity + 1, 0);
    bytes_[field.offset] = static_cast<std::uint8_t>(length);
    std::memcpy(&bytes_[field.offset + 1], text.constData(), length);
}

QByteArray SettingsRecord::reserved() const {
    return QByteArray(reinterpret_cast<const char*>(&bytes_[ReservedOffset]), ReservedSize);
}

void SettingsRecord::setReserved(const QByteArray& reserved) {
    std::fill_n(&bytes_[ReservedOffset], ReservedSize, 0);
    std::memcpy(&bytes_[ReservedOffset], reserved.constData(),
                std::min<int>(reserved.size(), ReservedSize));
}

QByteArray SettingsRecord::toBytes() const {
    return QByteArray(reinterpret_cast<const char*>(bytes_.data()), Size);
}

SettingsRecord SettingsRecord::fromBytes(const QByteArray& bytes) {
    SettingsRecord record;
    std::memcpy(record.bytes_.data(), bytes.constData(), std::min<int>(bytes.size(), Size));
    return record;
}

QByteArray ScramblePassword(const QByteArray& text) {
    QByteArray result = text;
    for (char& c : result)
        c = static_cast<char>(c ^ 0x6B);
    return result;
}
