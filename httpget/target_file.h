#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>

#include "platform/no_follow_file.h"

namespace larkspur {

// The file a transfer writes, unbuffered so that every block reaches the system as it
// arrives, reached without following links and only when it is a regular file. Every
// operation either succeeds or raises larkspur::Error, its message in plain words.
class TargetFile {
public:
    // Whether anything lies at `path`, a dangling link included.
    static bool occupied(const QString& path);

    void openExisting(const QString& path);
    void create(const QString& path);
    std::int64_t size() const;
    QByteArray readAt(std::int64_t offset, std::int64_t count) const;
    // Moves to `position` and cuts the file there.
    void cutAt(std::int64_t position);
    void seekToEnd();
    void write(const char* data, std::int64_t count);
    // Raises unless the path still names this file and it holds `size` bytes.
    void confirm(std::int64_t size) const;
    // Removes the file where its path still names it, and closes it.
    void discard();
    void close();
    bool isOpen() const { return file_.isOpen(); }

private:
    void check(int error, const QString& what) const;

    platform::NoFollowFile file_;
    QString path_;
};

} // namespace larkspur
