#pragma once

#include <QString>

// The folder downloads go to when none is set: the desktop's download folder.
QString defaultDownloadDir();
