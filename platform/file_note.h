#pragma once

#include <QByteArray>
#include <optional>

#include "platform/no_follow_file.h"

namespace larkspur::platform {

// A short note kept with an open file, never in it: an extended attribute of the user
// namespace, or, where the file system has none, a hidden companion file ".NAME.larkspur-note"
// beside it that holds the file's inode number, so a note never passes to another file put
// under the same name.
std::optional<QByteArray> readNote(const NoFollowFile& file);
// Best effort: a note that cannot be kept only costs the check it allows.
void keepNote(const NoFollowFile& file, const QByteArray& note);
void dropNote(const NoFollowFile& file);

} // namespace larkspur::platform
