#include <QAbstractButton>
#include <QAccessible>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <set>

#include "tests/support/form_fixture.h"
#include "tests/support/qt_printers.h"

#include "app/command_line.h"
#include "widgets/memo.h"

namespace {

class DesktopReach : public larkspur::test::FormFixture {};

QString accessibleName(QWidget* control) {
    return QAccessible::queryAccessibleInterface(control)->text(QAccessible::Name);
}

TEST_F(DesktopReach, TabVisitsEveryEnabledControlAndLeavesTheListsUntouched) {
    form->Memo1->setPlainText("http://h/a");
    form->show();
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    form->Memo1->setFocus();
    std::set<QWidget*> reached;
    for (int presses = 0; presses < 100 && !reached.count(QApplication::focusWidget()); ++presses) {
        reached.insert(QApplication::focusWidget());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    for (QWidget* control : form->findChildren<QWidget*>()) {
        const bool operable = qobject_cast<QAbstractButton*>(control) ||
                              qobject_cast<QLineEdit*>(control) ||
                              qobject_cast<larkspur::Memo*>(control);
        if (operable && control->isEnabled()) {
            EXPECT_TRUE(reached.count(control)) << control->objectName().toStdString();
        }
    }
    EXPECT_EQ(form->Memo1->toPlainText(), "http://h/a");
}

TEST_F(DesktopReach, ScreenReadersFindTheFieldsNamedAfterTheirLabels) {
    const std::pair<QWidget*, const char*> named[] = {
        {form->Memo1, "Files to download"}, {form->Memo2, "Log"},       {form->Edit1, "Connection"},
        {form->Edit3, "Password"},          {form->Edit5, "From hour"}, {form->Edit8, "To minute"},
        {form->ProgressBar1, "Progress"},   {form->Edit9, "Dir"}};
    for (const auto& [control, name] : named)
        EXPECT_EQ(accessibleName(control), name);
    for (QWidget* control : form->findChildren<QWidget*>())
        if (qobject_cast<QLineEdit*>(control) || qobject_cast<QProgressBar*>(control)) {
            EXPECT_FALSE(accessibleName(control).isEmpty()) << control->objectName().toStdString();
        }
    EXPECT_EQ(form->Label1->text(), "Connection:"); // the captions stay
}

TEST_F(DesktopReach, OpenFolderSaysSoInTheLogWhenNothingOpensIt) {
    form->DownloadDir = workDir.path();
    shell.opens = false;
    form->Button6Click(form->Button6);
    ASSERT_EQ(form->Memo2->lineCount(), 1);
    EXPECT_TRUE(form->Memo2->line(0).startsWith("Cannot open the folder " + workDir.path() + "/"))
        << form->Memo2->line(0).toStdString();
}

TEST_F(DesktopReach, UrlsFromTheCommandLineGoToTheEndOfTheList) {
    form->Memo1->setWindowsText("http://h/a\r\n");
    form->AddUrls({"  http://h/b\t", "", "h/c"});
    EXPECT_EQ(form->Memo1->lines(), QStringList({"http://h/a", "http://h/b", "h/c"}));
}

TEST(CommandLine, OptionsAndUrlsAreReadBeforeAnyDisplay) {
    const struct {
        std::vector<const char*> arguments;
        std::optional<int> exitStatus;
        bool inDataFolder;
        QStringList urls;
    } cases[] = {
        {{}, std::nullopt, false, {}},
        {{"--data-folder", "http://h/a", "h/b"}, std::nullopt, true, {"http://h/a", "h/b"}},
        {{"-platform", "offscreen", "--style", "fusion", "-reverse", "u"},
         std::nullopt,
         false,
         {"u"}},
        {{"--", "--data-folder"}, std::nullopt, false, {"--data-folder"}},
        {{"u", "--version"}, 0, false, {}},
        {{"-h"}, 0, false, {}},
        {{"--bogus-option"}, 2, false, {}},
        {{"http://h/a", "-x"}, 2, false, {}},
    };
    for (const auto& c : cases) {
        std::vector<char*> argv{const_cast<char*>("larkspur")};
        for (const char* argument : c.arguments)
            argv.push_back(const_cast<char*>(argument));
        const CommandLine line = readCommandLine(int(argv.size()), argv.data());
        const QString what = QStringList(c.arguments.begin(), c.arguments.end()).join(' ');
        EXPECT_EQ(line.exitStatus, c.exitStatus) << what.toStdString();
        EXPECT_EQ(line.inDataFolder, c.inDataFolder) << what.toStdString();
        EXPECT_EQ(line.urls, c.urls) << what.toStdString();
    }
}

} // namespace
