#pragma once

#include <QFile>
#include <QString>

namespace larkspur {

// The file a transfer writes, unbuffered so that every block reaches the system as it
// arrives. Every operation either succeeds or raises larkspur::Error.
class TargetFile {
public:
    static bool exists(const QString& path);

    void openExisting(const QString& path);
    void create(const QString& path);
    qint64 size() const;
    // Moves to `position` and cuts the file there.
    void cutAt(qint64 position);
    void write(const char* data, qint64 count);
    void close();
    bool isOpen() const { return file_.isOpen(); }

private:
    void open(const QString& path, QIODevice::OpenMode mode);
    [[noreturn]] void fail(const QString& what) const;

    QFile file_;
};

} // namespace larkspur
