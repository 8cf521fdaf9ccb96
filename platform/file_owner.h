#pragma once

#include <QString>
#include <sys/types.h>

namespace larkspur::platform {

// Whether a process running as root must leave `path` unread and unreplaced: it is a
// symbolic link or belongs to another user, who could have planted it. Never for others.
bool isForeignToRoot(const QString& path);

// The login name of user `uid`, or its number where it has none.
QString userName(uid_t uid);

// Keeps a crash from leaving a core file with what the process holds, a password say.
void forbidCoreDumps();

} // namespace larkspur::platform
