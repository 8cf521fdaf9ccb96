#pragma once

#include <QString>
#include <cstdint>

namespace larkspur::platform {

// A file reached by its path without following a symbolic link in the last component, and
// kept only when it is a regular file, so that a link planted under its name in a folder
// others can write never sends the bytes elsewhere. Operations return 0 or an errno value.
class NoFollowFile {
public:
    NoFollowFile() = default;
    ~NoFollowFile();
    NoFollowFile(const NoFollowFile&) = delete;
    NoFollowFile& operator=(const NoFollowFile&) = delete;

    // Whether anything at all, a dangling link included, lies at `path`.
    static bool occupied(const QString& path);

    // An existing regular file, for reading and writing: ELOOP for a link or anything
    // else that is not a regular file.
    int openExisting(const QString& path);
    // A new file; EEXIST when anything lies at `path`, a dangling link included.
    int createNew(const QString& path);
    bool isOpen() const { return fd_ >= 0; }

    std::int64_t size() const; // -1 when it cannot be told
    // Exactly `count` bytes from `offset`; EIO when the file is shorter.
    int readAt(std::int64_t offset, char* data, std::int64_t count) const;
    // Cuts the file at `size` and moves there.
    int cutAt(std::int64_t size);
    int seekToEnd();
    // All `count` bytes at the current position.
    int write(const char* data, std::int64_t count);
    // Whether `path` still names this very file (not one put in its place).
    bool isNamedBy(const QString& path) const;
    // Removes `path` where it still names this file; closes it either way.
    void removeIfNamedBy(const QString& path);
    int close();

private:
    int open(const QString& path, int flags);

    int fd_ = -1;
};

} // namespace larkspur::platform
