// The end-of-window check and the end-of-job sequence, and the log file they write.
#include "app/form1.h"

#include <QCheckBox>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <utility>

#include "app/fitted_label.h"
#include "app/settings_storage.h"
#include "framework/ansi_number.h"
#include "framework/errors.h"
#include "job/daily_window.h"
#include "job/transfer_texts.h"
#include "platform/clock.h"
#include "platform/machine_control.h"
#include "widgets/memo.h"

using namespace larkspur::job;

void TForm1::CheckDeadline() {
    if (Anytime->isChecked())
        return;
    endOfWindowHandled_ = endOfWindowReached();
    if (endOfWindowHandled_)
        endOfWindow();
}

void TForm1::CheckDeadlineOncePerEnd() {
    if (Anytime->isChecked())
        return;
    // Set before the sequence runs, so a failing one is not repeated on every tick either;
    // once the end's day is over the latch clears and the next end runs again.
    const bool reached = endOfWindowReached();
    const bool handled = std::exchange(endOfWindowHandled_, reached);
    if (reached && !handled)
        endOfWindow();
}

bool TForm1::endOfWindowReached() {
    Edit5Change(nullptr);
    const larkspur::platform::TimeOfDay now = services_.clock->timeOfDay();
    return deadlineReached({StartHour, StartMinute, EndHour, EndMinute}, {now.hour, now.minute});
}

void TForm1::endOfWindow() {
    AddLog(QStringLiteral("Время вышло."));
    FinishJob();
}

void TForm1::FinishJob() {
    Button2Click(Button2);
    AddLog(totalTimeText(TotalTime));
    AddLog(larkspur::ansiNumberText(totalBytesText(TotalBytes, QLocale()), QLocale()));
    if (LinesGivenUp != 0)
        AddLog(totalGivenUpText(LinesGivenUp));
    saveLog();
    // What was downloaded must be on the disk before the line or the machine goes off.
    if (DisconnectWhenDone || TurnOffWhenDone)
        services_.machine->flushFileSystem(DownloadDir);
    if (DisconnectWhenDone)
        Button4Click(Button4);
    PowerOffMachine();
}

// A log that cannot be saved (disk full, folder gone or read-only) must not stop the
// night: the reason goes to the log on screen and the job goes on.
void TForm1::saveLog() {
    QString text;
    for (const QString& line : Memo2->lines())
        text += line + QStringLiteral("\r\n");
    try {
        writeTextFile(DownloadDir + QLatin1Char('/') + LogFileName, text);
    } catch (const larkspur::Error& failure) {
        AddLog(failure.message());
    }
}

void TForm1::setStatus(const QString& text) {
    Label10->setFittedText(text);
}
