#pragma once

#include <QString>
#include <optional>

namespace larkspur::platform {

// The desktop's modal folder chooser.
class FolderBrowser {
public:
    virtual ~FolderBrowser() = default;
    // Shows the folders under `root` (the whole file system when `root` is empty or
    // not a folder) with `initial` selected when given. Returns the chosen folder,
    // or nothing when the user cancelled.
    virtual std::optional<QString> browse(const QString& caption, const QString& root,
                                          const QString& initial) = 0;
};

} // namespace larkspur::platform
