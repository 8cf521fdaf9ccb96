#include "framework/ansi_text.h"

#include <QList>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <iconv.h>
#include <stdexcept>

namespace larkspur {

namespace {

constexpr const char* AnsiCodePage = "WINDOWS-1251";

// One conversion descriptor per call keeps this usable from any thread.
class Converter {
public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {
        if (cd_ == reinterpret_cast<iconv_t>(-1))
            throw std::runtime_error("iconv cannot convert between the code pages");
    }
    ~Converter() { iconv_close(cd_); }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    // Converts as much as it can; on a sequence it cannot convert, it writes what
    // `replacement` makes of the sequence and skips `skip` input bytes.
    template <typename Replacement>
    QByteArray run(const QByteArray& input, Replacement replacement, size_t skip) {
        QByteArray out;
        out.reserve(input.size() * 2 + 8);
        char* in = const_cast<char*>(input.constData());
        size_t inLeft = static_cast<size_t>(input.size());
        char buffer[4096];
        while (inLeft > 0) {
            char* dst = buffer;
            size_t dstLeft = sizeof buffer;
            const size_t rc = iconv(cd_, &in, &inLeft, &dst, &dstLeft);
            out.append(buffer, static_cast<qsizetype>(dst - buffer));
            if (rc != static_cast<size_t>(-1) || errno == E2BIG)
                continue;
            // EILSEQ or EINVAL: an unconvertible or incomplete sequence.
            out.append(replacement(in, inLeft));
            const size_t step = std::min(skip, inLeft);
            in += step;
            inLeft -= step;
        }
        return out;
    }

private:
    iconv_t cd_;
};

// Undefined bytes 0x80 to 0xFF stand for U+F780 to U+F7FF while the text is in Unicode.
constexpr uint undefinedByteBase = 0xF700;

} // namespace

QByteArray toAnsi(const QString& text) {
    // wchar_t is UCS-4 on glibc: every character has the same width, so a skip is one character.
    static_assert(sizeof(wchar_t) == sizeof(uint));
    const QList<uint> codePoints = text.toUcs4();
    const QByteArray input(reinterpret_cast<const char*>(codePoints.constData()),
                           codePoints.size() * qsizetype(sizeof(uint)));
    const auto replace = [](const char* at, size_t left) {
        uint codePoint = 0;
        if (left >= sizeof codePoint)
            std::memcpy(&codePoint, at, sizeof codePoint);
        if (codePoint >= undefinedByteBase + 0x80 && codePoint <= undefinedByteBase + 0xFF)
            return QByteArray(1, static_cast<char>(codePoint - undefinedByteBase));
        return QByteArrayLiteral("?");
    };
    return Converter(AnsiCodePage, "WCHAR_T").run(input, replace, 4);
}

QString fromAnsi(const QByteArray& bytes) {
    const auto replace = [](const char* at, size_t) {
        const uint byte = static_cast<unsigned char>(*at);
        return QString(QChar(static_cast<char16_t>(undefinedByteBase + byte))).toUtf8();
    };
    return QString::fromUtf8(Converter("UTF-8", AnsiCodePage).run(bytes, replace, 1));
}

bool fitsAnsi(const QString& text) {
    return fromAnsi(toAnsi(text)) == text;
}

} // namespace larkspur
