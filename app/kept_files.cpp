#include "app/kept_files.h"

#include <QFileInfo>

void KeptFiles::remember(const QString& path) {
    heldSizes_.insert(path, QFileInfo(path).size());
}

bool KeptFiles::mayReplace(const QString& path, qint64 size) {
    const auto held = heldSizes_.constFind(path);
    if (held != heldSizes_.cend() && size < *held)
        return false;
    heldSizes_.remove(path);
    return true;
}
