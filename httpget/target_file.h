#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <optional>

#include "framework/errors.h"
#include "framework/trusted_folder.h"
#include "platform/no_follow_file.h"

namespace larkspur {

// A failure of the target's folder or file, with the system's error code (0 where it came
// from no system call).
class TargetError : public Error {
public:
    TargetError(const QString& message, int code) : Error(message), code_(code) {}
    int code() const { return code_; }

private:
    int code_;
};

// The file a transfer writes, unbuffered so that every block reaches the system as it
// arrives. Its folder is opened once, along trusted links only, and the file is reached in
// it without following links and only when it is a regular file. Every operation either
// succeeds or raises TargetError, its message in plain words.
class TargetFile {
public:
    // Opens the folder of `path`; the file itself is not touched.
    void reach(const QString& path);
    // Whether anything lies at the name, a dangling link included.
    bool occupied() const;

    // A partial file to continue: only a regular file of the running user's own, with no
    // other name.
    void openExisting();
    void create();
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
    // Closes the file and its folder: nothing more is done with either.
    void close();
    bool isOpen() const { return file_.isOpen(); }

    // What identifies the server's version of a partial file, kept beside its bytes. It is
    // put on disk before the first bytes written after it, so no partial file lacks it.
    std::optional<QByteArray> validator() const;
    void keepValidator(const QByteArray& validator);
    // The writes still to come complete the file: a validator not yet on disk never needs
    // to be, which spares a small file two system calls or a note file of its own.
    void completedByWhatFollows() { unwrittenValidator_.reset(); }
    void forgetValidator();

private:
    void check(int error, const QString& what) const;

    TrustedFolder folder_;
    platform::NoFollowFile file_;
    QString path_;
    QByteArray name_;
    std::optional<QByteArray> unwrittenValidator_;
    bool validatorOnDisk_ = false; // or perhaps, for a partial file found there
};

} // namespace larkspur
