#pragma once

#include <QString>
#include <optional>
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
    // The failure an errno value stands for: the table's message where the table names the
    // cause, else "I/O error N" with the errno value itself.
    static InOutError fromErrno(int err);
    // The table's code, or the errno value where the table has none.
    int code() const { return code_; }
    static QString messageFor(int code);

    static constexpr int FileNotFound = 2;
    static constexpr int InvalidFilename = 3;
    static constexpr int TooManyOpenFiles = 4;
    static constexpr int AccessDenied = 5;
    static constexpr int ReadBeyondEnd = 100;
    static constexpr int DiskFull = 101;
    static constexpr int InvalidNumericInput = 106;

    // The code above that names the cause of an errno value; none for other causes, whose
    // numbers must not be read as the table's codes (EIO is not "File access denied").
    static std::optional<int> codeForErrno(int err);

private:
    InOutError(int code, const QString& message);

    int code_;
};

Error cannotOpenFile(const QString& path, const QString& reason);
Error cannotCreateFile(const QString& path, const QString& reason);
Error notAValidInteger(const QString& text);

} // namespace larkspur
