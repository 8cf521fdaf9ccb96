// The end-of-window check and the end-of-job sequence, and the log file they write.
#include "app/form1.h"

#include <QCheckBox>
#include <QLabel>
#include <QLocale>
#include <QPushButton>

#include "app/fitted_label.h"
#include "app/settings_storage.h"
#include "job/daily_window.h"
#include "job/transfer_texts.h"
#include "platform/clock.h"
#include "widgets/memo.h"

using namespace larkspur::job;

void TForm1::CheckDeadline() {
    if (Anytime->isChecked())
        return;
    Edit5Change(nullptr);
    const larkspur::platform::TimeOfDay now = services_.clock->timeOfDay();
    if (deadlineReached({StartHour, StartMinute, EndHour, EndMinute}, {now.hour, now.minute})) {
        AddLog(QStringLiteral("Время вышло."));
        FinishJob();
    }
}

void TForm1::FinishJob() {
    Button2Click(Button2);
    AddLog(totalTimeText(TotalTime));
    AddLog(totalBytesText(TotalBytes, QLocale()));
    saveLog();
    if (DisconnectWhenDone)
        Button4Click(Button4);
    PowerOffMachine();
}

void TForm1::saveLog() {
    QString text;
    for (const QString& line : Memo2->lines())
        text += line + QStringLiteral("\r\n");
    writeTextFile(DownloadDir + QLatin1Char('/') + LogFileName, text);
}

void TForm1::setStatus(const QString& text) {
    Label10->setFittedText(text);
}
