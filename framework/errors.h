#pragma once

#include <QString>
#include <stdexcept>

namespace larkspur {

// The program's own error: carries the message shown in the standard error box.
class Error : public std::runtime_error {
public:
    explicit Error(const QString& message);
    QString message() const { return QString::fromUtf8(what()); }
};

// Input/output failure of the settings file, named by the system's error code.
class InOutError : public Error {
public:
    explicit InOutError(int code);
    int code() const { return code_; }
    static QString messageFor(int code);

    static constexpr int FileNotFound = 2;
    static constexpr int InvalidFilename = 3;
    static constexpr int TooManyOpenFiles = 4;
    static constexpr int AccessDenied = 5;
    static constexpr int ReadBeyondEnd = 100;
    static constexpr int DiskFull = 101;
    static constexpr int InvalidNumericInput = 106;

    // Maps an errno value to the code above that describes it best.
    static int codeForErrno(int err);

private:
    int code_;
};

Error cannotOpenFile(const QString& path, const QString& reason);
Error cannotCreateFile(const QString& path, const QString& reason);
Error notAValidInteger(const QString& text);

} // namespace larkspur
