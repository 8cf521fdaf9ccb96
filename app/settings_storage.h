#pragma once

#include <QString>

#include "app/settings_record.h"
#include "engine/log_file.h"

// The two files of the working directory.
inline const QString SettingsFileName = QStringLiteral("1.pwl");
inline const QString UrlListFileName = QStringLiteral("1.txt");
// The download folder in UTF-8, beside the record, when the record cannot hold it.
inline const QString FolderFileName = QStringLiteral("1.folder");

// The URL list is refused above this size, as a memo that cannot hold it.
constexpr qsizetype UrlListCapacity = 16 * 1024 * 1024;

// Reads the first record of the settings file, opened read-write. Raises InOutError:
// "Read beyond end of file" when it is shorter than a record, "File access denied"
// when it is read-only.
SettingsRecord readSettingsFile(const QString& path);
// Replaces the settings file with the record, readable by its owner only; raises InOutError.
void writeSettingsFile(const QString& path, const SettingsRecord& record);

// The URL list as text with CR LF line breaks (a lone CR or LF becomes CR LF).
// Raises "Cannot open file ..." or "Text exceeds memo capacity".
QString readUrlList(const QString& path);
// Raises "Cannot create file ...".
void writeUrlList(const QString& path, const QString& text);

// The folder the folder file holds; empty when there is none or it cannot be read.
QString readFolderFile(const QString& path);
// Writes `folder` to the folder file, or removes the file when `folder` is empty; raises
// "Cannot create file ..." or "Cannot delete file ...".
void writeFolderFile(const QString& path, const QString& folder);

QString withCrLfLineBreaks(const QString& text);
