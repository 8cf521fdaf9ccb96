#pragma once

#include <QByteArray>
#include <array>
#include <cstdint>

// The 299-byte record of "1.pwl". Strings are a length byte followed by their
// capacity in 8-bit characters; booleans are one byte.
class SettingsRecord {
public:
    static constexpr int Size = 299;

    struct StringField {
        int offset;
        int capacity;
    };
    static constexpr StringField ConnectionName{0, 30};
    static constexpr StringField UserName{31, 30};
    static constexpr StringField Password{62, 30};
    static constexpr StringField Phone{93, 30};
    static constexpr StringField Folder{131, 128};

    static constexpr int StartHour = 124;
    static constexpr int StartMinute = 125;
    static constexpr int EndHour = 126;
    static constexpr int EndMinute = 127;
    static constexpr int AnyTime = 128;
    static constexpr int TurnOff = 129;
    static constexpr int Disconnect = 130;
    static constexpr int ReservedOffset = 260;
    static constexpr int ReservedSize = 39;

    // A length byte above the capacity comes only from a damaged file: it is
    // clamped, so a read never leaves the field.
    QByteArray string(StringField field) const;
    // Stores the first `capacity` bytes of `text`, zero-filling the rest of the field.
    void setString(StringField field, const QByteArray& text);

    std::uint8_t byte(int offset) const { return bytes_[offset]; }
    void setByte(int offset, std::uint8_t value) { bytes_[offset] = value; }
    bool flag(int offset) const { return bytes_[offset] != 0; }
    void setFlag(int offset, bool value) { bytes_[offset] = value ? 1 : 0; }

    QByteArray reserved() const;
    void setReserved(const QByteArray& reserved);

    QByteArray toBytes() const;
    static SettingsRecord fromBytes(const QByteArray& bytes); // exactly Size bytes

private:
    std::array<std::uint8_t, Size> bytes_{};
};

// XORs every byte with 0x6B; applying it twice gives the input back.
QByteArray ScramblePassword(const QByteArray& text);
