#pragma once

#include <QString>

namespace larkspur::job {

// The folder Change makes of the text of "Dir": the text, or `defaultFolder` when it is
// empty, without one trailing "/".
QString folderOfField(const QString& fieldText, const QString& defaultFolder);

// The line Begin logs when the folder typed in "Dir" was never applied with Change, so
// that nobody looks for the files in the wrong place; empty when the field names the
// folder in use.
QString unappliedFolderLine(const QString& fieldText, const QString& folderInUse,
                            const QString& defaultFolder);

} // namespace larkspur::job
