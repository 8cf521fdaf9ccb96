#include "app/kept_files.h"

#include <QFileInfo>
#include <limits>

#include "platform/file_owner.h"

void KeptFiles::remember(const QString& path) {
    // A file left unread as another user's is never replaced, whatever its size.
    heldSizes_.insert(path, larkspur::platform::isForeignToRoot(path)
                                ? std::numeric_limits<qint64>::max()
                                : QFileInfo(path).size());
}

bool KeptFiles::mayReplace(const QString& path, qint64 size) {
    const auto held = heldSizes_.constFind(path);
    if (held != heldSizes_.cend() && size < *held)
        return false;
    heldSizes_.remove(path);
    return true;
}
