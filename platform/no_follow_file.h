#pragma once

#include <QString>
#include <cstdint>

namespace larkspur::platform {

// A file reached by its name in an open folder without following a symbolic link, and kept
// only when it is a regular file, so that a link planted under its name in a folder others
// can write never sends the bytes elsewhere. Operations return 0 or an errno value.
class NoFollowFile {
public:
    NoFollowFile() = default;
    ~NoFollowFile();
    NoFollowFile(const NoFollowFile&) = delete;
    NoFollowFile& operator=(const NoFollowFile&) = delete;

    // Whether anything at all, a dangling link included, lies at `name` in `folder`.
    static bool occupied(int folder, const QByteArray& name);

    // An existing regular file, for reading and writing: ELOOP for a link or anything
    // else that is not a regular file. The folder's descriptor must outlive this file.
    int openExisting(int folder, const QByteArray& name);
    // A new file; EEXIST when anything lies at `name`, a dangling link included.
    int createNew(int folder, const QByteArray& name);
    bool isOpen() const { return fd_ >= 0; }
    int descriptor() const { return fd_; }
    int folder() const { return folder_; }
    const QByteArray& name() const { return name_; }
    // Whether the file belongs to the running user and has no other name, so that writing
    // it changes nobody else's file.
    bool isSolelyOurs() const;

    std::int64_t size() const; // -1 when it cannot be told
    // Exactly `count` bytes from `offset`; EIO when the file is shorter.
    int readAt(std::int64_t offset, char* data, std::int64_t count) const;
    // Cuts the file at `size` and moves there.
    int cutAt(std::int64_t size);
    int seekToEnd();
    // All `count` bytes at the current position.
    int write(const char* data, std::int64_t count);
    // Whether its name still names this very file (not one put in its place).
    bool isStillNamed() const;
    // Removes its name where it still names this file; closes it either way.
    void removeIfStillNamed();
    int close();

private:
    int open(int folder, const QByteArray& name, int flags);

    int fd_ = -1;
    int folder_ = -1;
    QByteArray name_;
};

} // namespace larkspur::platform
