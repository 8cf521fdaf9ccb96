#pragma once

#include <QHash>
#include <QString>
#include <exception>

// The files of the working directory that failed to load at start-up. What such a file
// holds was never shown, so no save may replace it with less than it held.
class KeptFiles {
public:
    // Runs `read(path)`; when it raises, the file is remembered with its size and the
    // error goes on to the caller.
    template <typename Read> auto load(const QString& path, Read read) {
        try {
            return read(path);
        } catch (...) {
            remember(path);
            throw;
        }
    }

    // Whether `size` bytes may replace the file. Once they may, the file is the
    // program's own again and later saves are free.
    bool mayReplace(const QString& path, qint64 size);

private:
    void remember(const QString& path);

    QHash<QString, qint64> heldSizes_;
};
