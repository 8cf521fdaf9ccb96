// The version block of the program's own file, read back by the about box.
#include "about/version.h"
#include "about/version_section.h"

[[gnu::used, gnu::section(LARKSPUR_VERSION_SECTION)]] extern const char VersionBlock[] =
    LARKSPUR_FILE_VERSION_KEY "\0" LARKSPUR_FILE_VERSION;
