#include <gtest/gtest.h>

#include "tests/support/qt_printers.h"

#include "job/folder_field.h"

using namespace larkspur::job;

namespace {

TEST(FolderField, BeginNamesTheFolderInUseWhenDirHoldsAnotherOne) {
    const QString home = "/home/u/Downloads";
    const struct {
        QString field;
        QString inUse;
        QString line;
    } cases[] = {
        {"/home/u/Downloads", home, ""},
        {"/home/u/Downloads/", home, ""}, // Change drops the slash
        {"/home/u//Downloads", home, ""},
        {"", home, ""}, // empty: the default, which is in use
        {"", "/srv/x",
         "The folder typed in \"Dir\" is not in use until Change is pressed: "
         "the files go to \"/srv/x\"."},
        {QString::fromUtf8("/home/u/Téléchargements"), home,
         "The folder typed in \"Dir\" is not in use until Change is pressed: the files go to "
         "\"/home/u/Downloads\"."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.field.toStdString());
        EXPECT_EQ(unappliedFolderLine(c.field, c.inUse, home), c.line);
    }
}

} // namespace
