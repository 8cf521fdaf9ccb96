#pragma once

#include <QString>

// The FileVersion text of any file's version block (Russian, code page 1251); empty when
// the file cannot be read, is not ELF, or carries no such block or key.
QString GetFileVersionString(const QString& FileName);
