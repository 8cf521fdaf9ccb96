#include "engine/log_file.h"

#include <QFileInfo>

#include "framework/ansi_text.h"
#include "framework/atomic_file.h"
#include "framework/errors.h"

namespace larkspur::engine {

void writeLogFile(const QString& folder, const QStringList& lines) {
    QString text;
    for (const QString& line : lines)
        text += line + QStringLiteral("\r\n");
    const QString path = folder + QLatin1Char('/') + LogFileName;
    if (const int err = writeFileAtomically(path, toAnsi(text)))
        throw cannotCreateFile(QFileInfo(path).absoluteFilePath(), writeFailureReason(err));
}

} // namespace larkspur::engine
