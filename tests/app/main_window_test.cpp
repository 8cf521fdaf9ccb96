#include <QApplication>
#include <QCheckBox>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include "tests/support/qt_printers.h"

#include <cstdlib>

#include "about/form2.h"
#include "about/version.h"
#include "app/fade.h"
#include "app/form1.h"
#include "httpget/http_get.h"
#include "job/format_duration.h"
#include "tests/support/fake_clock.h"
#include "tests/support/form_fixture.h"
#include "widgets/memo.h"

using larkspur::test::FakeClock;

TEST(FormatDuration, SplitsMillisecondsIntoUnwrappedHours) {
    EXPECT_EQ(FormatDuration(0), "00:00:00");
    EXPECT_EQ(FormatDuration(999), "00:00:00");
    EXPECT_EQ(FormatDuration(3'661'000), "01:01:01");
    EXPECT_EQ(FormatDuration(360'000'000), "100:00:00");
    EXPECT_EQ(FormatDuration(4'294'967'295u), "1193:02:47");
}

namespace {

std::vector<int> recordFade(void (*fade)(std::int32_t&, const FadeSteps&), int& pumps) {
    FakeClock clock;
    std::vector<int> applied;
    std::int32_t alpha = 123;
    fade(alpha, {clock, [&](int a) { applied.push_back(a); }, [&] { ++pumps; }});
    EXPECT_EQ(clock.sleeps, static_cast<int>(applied.size()));
    return applied;
}

} // namespace

TEST(Fades, FadeInTakes51StepsOf5EndingAt255) {
    int pumps = 0;
    const std::vector<int> steps = recordFade(FadeIn, pumps);
    ASSERT_EQ(steps.size(), 51u);
    for (size_t i = 0; i < steps.size(); ++i)
        EXPECT_EQ(steps[i], 5 * static_cast<int>(i + 1));
    EXPECT_EQ(pumps, 51);
}

TEST(Fades, FadeOutTakes37StepsOf7AndNeverGoesBelowZero) {
    int pumps = 0;
    const std::vector<int> steps = recordFade(FadeOutSteps, pumps);
    ASSERT_EQ(steps.size(), 37u);
    for (size_t i = 0; i + 1 < steps.size(); ++i)
        EXPECT_EQ(steps[i], 255 - 7 * static_cast<int>(i + 1));
    EXPECT_EQ(steps.back(), 0); // 255 - 259 is clamped
    EXPECT_EQ(pumps, 37);
}

class MainWindow : public larkspur::test::FormFixture {};

TEST_F(MainWindow, WindowHasItsCaptionFixedClientAreaAndCreamBackground) {
    EXPECT_EQ(form->windowTitle(), "Larkspur v" LARKSPUR_VERSION);
    EXPECT_EQ(form->size(), QSize(570, 418));
    EXPECT_EQ(form->minimumSize(), form->maximumSize());
    EXPECT_FALSE(form->windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(form->windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_EQ(form->palette().color(QPalette::Window), QColor(255, 251, 240));
    EXPECT_EQ(form->font().family(), "Verdana");
    EXPECT_EQ(form->font().pixelSize(), 11);
    EXPECT_EQ(form->windowOpacity(), 0.0); // until the first activation
}

TEST_F(MainWindow, ControlsStandWhereTheDesignerPutThem) {
    struct Expected {
        QWidget* control;
        QRect geometry;
        QString text;
        QString hint;
    };
    const auto textOf = [](QWidget* w) -> QString {
        if (auto* l = qobject_cast<QLabel*>(w))
            return l->text();
        if (auto* b = qobject_cast<QAbstractButton*>(w))
            return b->text();
        if (auto* e = qobject_cast<QLineEdit*>(w))
            return e->text();
        if (auto* m = qobject_cast<larkspur::Memo*>(w))
            return m->toPlainText();
        return {};
    };
    const std::vector<Expected> table = {
        {form->Label11, {8, 0, 107, 13}, "Files to download: ", ""},
        {form->Memo1, {8, 16, 553, 129}, "", "List of files which must be downloaded"},
        {form->Button7, {8, 148, 75, 25}, "Begin", "Start the operation"},
        {form->Button8, {84, 148, 75, 25}, "Stop", "Stop waiting/downloading"},
        {form->Button3, {168, 148, 75, 25}, "Dial", "Dial to internet"},
        {form->Button4, {244, 148, 75, 25}, "Disconnect", "Disconnect from internet"},
        {form->Button6, {328, 148, 75, 25}, "Open folder", "Open folder with downloaded files"},
        {form->Button2, {408, 148, 75, 25}, "Save", "Save settings"},
        {form->Button1, {488, 148, 73, 25}, "About...", "About this program"},
        {form->Label1, {12, 188, 69, 13}, "Connection:", ""},
        {form->Edit1, {83, 184, 117, 21}, "", "Name of existing dial-up connection"},
        {form->Label2, {12, 216, 31, 13}, "User:", ""},
        {form->Edit2, {83, 212, 117, 21}, "", "Username"},
        {form->Label3, {12, 244, 59, 13}, "Password:", ""},
        {form->Edit3, {83, 240, 117, 21}, "", "Password"},
        {form->Label4, {12, 272, 40, 13}, "Phone:", ""},
        {form->Edit4, {83, 268, 117, 21}, "", "Phone number"},
        {form->Memo2, {208, 184, 353, 105}, "", "Log"},
        {form->Label5, {12, 300, 34, 13}, "From:", ""},
        {form->Edit5, {48, 296, 21, 22}, "02", "Start hour"},
        {form->Label7, {71, 300, 5, 13}, ":", ""},
        {form->Edit6, {76, 296, 21, 22}, "00", "Start minute"},
        {form->Label6, {104, 300, 11, 13}, "to", ""},
        {form->Edit7, {120, 296, 21, 22}, "09", "End hour"},
        {form->Label8, {143, 300, 5, 13}, ":", ""},
        {form->Edit8, {148, 296, 21, 22}, "00", "End minute"},
        {form->Anytime, {176, 298, 73, 17}, "Anytime", ""},
        {form->Label9, {288, 300, 48, 16}, "Status:", ""},
        {form->Label10, {340, 300, 22, 16}, "idle", ""},
        {form->Label12, {12, 328, 55, 13}, "Progress:", ""},
        {form->ProgressBar1, {68, 328, 497, 17}, "", ""},
        {form->Label13, {12, 352, 48, 13}, "Readed:", ""},
        {form->Label15, {64, 352, 19, 13}, "n/a", ""},
        {form->Label14, {428, 352, 41, 13}, "Speed:", ""},
        {form->Label16, {472, 352, 19, 13}, "n/a", ""},
        {form->Label17, {12, 374, 74, 13}, "When ready:", ""},
        {form->CheckBox2, {96, 373, 133, 17}, "Turn off computer", ""},
        {form->CheckBox3, {236, 373, 177, 17}, "Disconnect from internet *", ""},
        {form->Label18, {12, 396, 22, 13}, "Dir:", ""},
        {form->Button10, {248, 392, 75, 21}, "Change", ""},
        {form->Button5, {328, 392, 75, 21}, "Browse...", ""},
        {form->Button9, {492, 392, 75, 21}, "Exit", "Exit"},
    };
    for (const Expected& e : table) {
        SCOPED_TRACE(e.control->objectName().toStdString());
        EXPECT_EQ(e.control->parentWidget(), form.get());
        EXPECT_EQ(e.control->geometry(), e.geometry);
        EXPECT_EQ(textOf(e.control), e.text);
        EXPECT_EQ(e.control->toolTip(), e.hint);
    }
    EXPECT_EQ(form->Edit9->geometry(), QRect(48, 392, 197, 21));
}

TEST_F(MainWindow, ControlsHaveTheirKindsFontsAndLimits) {
    EXPECT_EQ(form->Edit3->echoMode(), QLineEdit::Password);
    form->Edit3->setText("pw");
    EXPECT_EQ(form->Edit3->displayText(), "##");
    for (QLineEdit* field : {form->Edit5, form->Edit6, form->Edit7, form->Edit8})
        EXPECT_EQ(field->font().family(), "Courier New");
    EXPECT_TRUE(form->Label7->font().bold());
    EXPECT_EQ(form->Label9->font().pixelSize(), 13);
    EXPECT_TRUE(form->Label9->font().bold());
    EXPECT_TRUE(form->Memo2->isReadOnly());
    EXPECT_FALSE(form->Memo1->isReadOnly());
    for (larkspur::Memo* memo : {form->Memo1, form->Memo2}) {
        EXPECT_EQ(memo->lineWrapMode(), QPlainTextEdit::NoWrap);
        EXPECT_FALSE(memo->focusPolicy() & Qt::TabFocus);
        EXPECT_EQ(memo->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    }
    EXPECT_EQ(form->Memo2->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_EQ(form->ProgressBar1->minimum(), 0);
    EXPECT_EQ(form->ProgressBar1->maximum(), 200);
    EXPECT_EQ(form->ProgressBar1->value(), 0);
}

TEST_F(MainWindow, TimersAreCreatedStoppedWithTheirIntervals) {
    const std::vector<std::pair<QTimer*, int>> timers = {{form->Timer1, 1000}, {form->Timer2, 5000},
                                                         {form->Timer3, 5000}, {form->Timer4, 1000},
                                                         {form->Timer5, 100},  {form->rest, 5000}};
    for (const auto& [timer, interval] : timers) {
        SCOPED_TRACE(timer->objectName().toStdString());
        EXPECT_FALSE(timer->isActive());
        EXPECT_EQ(timer->interval(), interval);
    }
}

TEST_F(MainWindow, JobStateStartsAtItsInitialValues) {
    EXPECT_FALSE(form->StopRequested);
    EXPECT_FALSE(form->FileDone);
    EXPECT_EQ(form->ErrorCount, 0);
    EXPECT_EQ(form->DialAttempt, 0);
    EXPECT_FALSE(form->RedialArmed);
    EXPECT_EQ(form->RasConnection, larkspur::platform::NoConnection);
    EXPECT_FALSE(form->TurnOffWhenDone);
    EXPECT_FALSE(form->DisconnectWhenDone);
    EXPECT_EQ(form->FileStartTick, 1u);
    EXPECT_EQ(form->TotalTime, 1u);
    EXPECT_EQ(form->TotalBytes, 0u);
}

TEST_F(MainWindow, AddLogAppendsLinesSplitAtCrLf) {
    form->AddLog("");
    form->AddLog("Started");
    form->AddLog("Start download: a\r\n  save to: b");
    form->AddLog("Error while downloading! (0 of 10)\r\n");
    EXPECT_EQ(form->Memo2->lines(), QStringList({"", "Started", "Start download: a", "  save to: b",
                                                 "Error while downloading! (0 of 10)", ""}));
}

TEST_F(MainWindow, EnableSwitchesTheScheduleFieldsAndTheirLabels) {
    const std::vector<QWidget*> schedule = {form->Edit5,  form->Edit6,  form->Edit7,  form->Edit8,
                                            form->Label5, form->Label6, form->Label7, form->Label8};
    form->_enable(false);
    for (QWidget* w : schedule)
        EXPECT_FALSE(w->isEnabled()) << w->objectName().toStdString();
    EXPECT_TRUE(form->Anytime->isEnabled());
    EXPECT_TRUE(form->Label9->isEnabled());
    form->_enable(true);
    for (QWidget* w : schedule)
        EXPECT_TRUE(w->isEnabled()) << w->objectName().toStdString();
}

TEST_F(MainWindow, CheckBoxesSetFromCodeDriveTheirFlagsAndTheSchedule) {
    form->CheckBox2->setChecked(true);
    form->CheckBox3->setChecked(true);
    EXPECT_TRUE(form->TurnOffWhenDone);
    EXPECT_TRUE(form->DisconnectWhenDone);
    form->CheckBox2->setChecked(false);
    EXPECT_FALSE(form->TurnOffWhenDone);
    EXPECT_TRUE(form->DisconnectWhenDone);

    form->Anytime->setChecked(true);
    EXPECT_FALSE(form->Edit5->isEnabled());
    form->Anytime->setChecked(false);
    EXPECT_TRUE(form->Edit5->isEnabled());
}

TEST_F(MainWindow, EveryActivationFadesInFromTransparentToOpaque) {
    std::vector<double> seen;
    clock.onSleep = [&] { seen.push_back(form->windowOpacity()); };
    form->setWindowOpacity(215 / 255.0); // as Begin leaves it
    form->FormShow(form.get());
    EXPECT_EQ(clock.sleeps, 51);
    EXPECT_DOUBLE_EQ(seen.at(1), 5 / 255.0); // restarted from 0
    EXPECT_DOUBLE_EQ(form->windowOpacity(), 1.0);
    EXPECT_EQ(form->FadeAlpha, 255);

    form->show();
    form->activateWindow();
    QApplication::processEvents();
    EXPECT_GE(clock.sleeps, 102); // the activation ran it again
    EXPECT_DOUBLE_EQ(form->windowOpacity(), 1.0);
}

TEST_F(MainWindow, TypingNeverLengthensATimeFieldPastTwoCharactersWhateverItHolds) {
    for (QLineEdit* field : {form->Edit5, form->Edit6, form->Edit7, form->Edit8}) {
        SCOPED_TRACE(field->objectName().toStdString());
        QTest::keyClicks(field, "1"); // "02" as designed: full
        EXPECT_EQ(field->text().size(), 2);
        field->setText("123"); // as a stored 123 is shown
        field->end(false);
        QTest::keyClicks(field, "4");
        EXPECT_EQ(field->text(), "123");
        field->setCursorPosition(1);
        QTest::keyClick(field, Qt::Key_Delete);
        EXPECT_EQ(field->text(), "13");
        QTest::keyClicks(field, "5");
        EXPECT_EQ(field->text(), "13");
        field->selectAll();
        QTest::keyClicks(field, "789");
        EXPECT_EQ(field->text(), "78");
    }
}

TEST_F(MainWindow, TabInTheUrlListMovesOnInsteadOfBreakingAUrl) {
    form->show();
    QApplication::processEvents();
    form->Memo1->setWindowsText("http://host/file");
    form->Memo1->setFocus();
    form->Memo1->moveCursor(QTextCursor::End);
    QTest::keyClick(form->Memo1, Qt::Key_Tab);
    EXPECT_EQ(form->Memo1->toPlainText(), "http://host/file");
    EXPECT_FALSE(form->Memo1->hasFocus());
}

// No activation comes, as without a window manager or with focus-stealing prevention.
class ActivationSwallower : public QObject {
    bool eventFilter(QObject*, QEvent* event) override {
        return event->type() == QEvent::WindowActivate;
    }
};

TEST_F(MainWindow, AWindowShownWithoutActivationBecomesOpaque) {
    ActivationSwallower noActivation;
    form->installEventFilter(&noActivation);
    form->show();
    for (int i = 0; i < 5; ++i)
        QApplication::processEvents();
    EXPECT_DOUBLE_EQ(form->windowOpacity(), 1.0);
    EXPECT_EQ(clock.sleeps, 51); // one fade-in
}

TEST_F(MainWindow, AnActivationDuringAFadeInLeavesItRunningToExactly255) {
    clock.onSleep = [&] {
        if (clock.sleeps == 10) {
            QEvent activation(QEvent::WindowActivate);
            QApplication::sendEvent(form.get(), &activation);
        }
    };
    form->FormShow(form.get());
    EXPECT_EQ(clock.sleeps, 51);
    EXPECT_EQ(form->FadeAlpha, 255);
}

TEST_F(MainWindow, ACloseDuringAFadeRunsTheClosingSequenceOnce) {
    form->show();
    QApplication::processEvents();
    ASSERT_DOUBLE_EQ(form->windowOpacity(), 1.0);

    // A second close request while the window fades out.
    int sleepsBefore = clock.sleeps;
    clock.onSleep = [&] {
        if (clock.sleeps == sleepsBefore + 5)
            form->close();
    };
    form->close();
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(clock.sleeps - sleepsBefore, 37);

    // A close request while the window fades in: the fade-out wins.
    form->show();
    sleepsBefore = clock.sleeps;
    form->FormShow(form.get());
    EXPECT_FALSE(form->isVisible());
    EXPECT_LE(form->FadeAlpha, 0);
    EXPECT_EQ(form->windowOpacity(), 0.0);
    EXPECT_TRUE(errorBox.messages.isEmpty());
}

TEST_F(MainWindow, ScheduleFieldsFeedTheWindowAsLowBytes) {
    form->Edit5->setText("7");
    form->Edit6->setText("-1");
    form->Edit7->setText("x");
    form->Edit8->setText("");
    EXPECT_EQ(form->StartHour, 7);
    EXPECT_EQ(form->StartMinute, 255);
    EXPECT_EQ(form->EndHour, 0);
    EXPECT_EQ(form->EndMinute, 0);
}

TEST_F(MainWindow, ExitSavesFadesOutAndAFailedSaveKeepsTheWindowOpen) {
    form->show();
    form->Edit6->setText("");
    form->Button9Click(form->Button9);
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(errorBox.messages, QStringList({"'' is not a valid integer value."}));

    form->Edit6->setText("00");
    QApplication::processEvents(); // the activation and its fade-in happen first
    const int sleepsBefore = clock.sleeps;
    form->Button9Click(form->Button9);
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(clock.sleeps - sleepsBefore, 37); // the fade-out
    EXPECT_EQ(form->windowOpacity(), 0.0);
    EXPECT_TRUE(QFileInfo::exists(path("1.pwl")));
    EXPECT_TRUE(QFileInfo::exists(path("1.txt")));
}

TEST_F(MainWindow, FetchComponentIsSetUpForTheQueue) {
    THTTPGet* get = form->HTTPGet1;
    EXPECT_EQ(get->parent(), &form->job());
    EXPECT_EQ(get->AcceptTypes, "*/*");
    EXPECT_EQ(get->Agent, "Corvane HTTPGet");
    EXPECT_TRUE(get->BinaryData);
    EXPECT_FALSE(get->UseCache);
    EXPECT_TRUE(get->WaitThread);
    EXPECT_TRUE(get->ResumeDownload);
    EXPECT_TRUE(get->OnProgress && get->OnDoneFile && get->OnError);
    EXPECT_FALSE(get->OnDoneString);
    EXPECT_TRUE(get->URL.isEmpty() && get->FileName.isEmpty());
}

TEST_F(MainWindow, EveryLabelReadsUnderADarkDesktopTheme) {
    const QPalette desktop = QApplication::palette();
    QApplication::setPalette(QPalette(QColor(53, 53, 53), QColor(42, 42, 42))); // light on dark
    makeForm();
    QWidget* about = new TForm2(form.get(), shell, QString());
    form->show(); // as the user sees them: a style may set colours only when shown
    about->show();
    QApplication::processEvents();
    for (const QWidget* text : form->findChildren<QWidget*>()) { // the about box's too
        if (!qobject_cast<const QLabel*>(text) && !qobject_cast<const QCheckBox*>(text))
            continue;
        const QRgb ink = text->palette().color(text->foregroundRole()).rgb();
        const QRgb ground = text->window()->palette().color(QPalette::Window).rgb();
        EXPECT_GT(std::abs(qGray(ink) - qGray(ground)), 128) << text->objectName().toStdString();
    }
    QApplication::setPalette(desktop);
}
