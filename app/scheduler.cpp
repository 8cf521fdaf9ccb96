// Begin, Stop, the timers of a job and the closing sequence.
#include "app/form1.h"

#include <QCheckBox>
#include <QPushButton>
#include <QTimer>

#include "httpget/http_get.h"
#include "job/daily_window.h"
#include "platform/clock.h"

void TForm1::Button7Click(QObject*) {
    AddLog(QStringLiteral("Started"));
    StopRequested = false;
    setStatus(QStringLiteral("waiting..."));
    Timer1->start();
    Timer3->stop();
    Timer2->stop();
    Timer4->start();
    rest->stop();
    _enable(false);
    setAlpha(215);
}

void TForm1::Button8Click(QObject*) {
    AddLog(QStringLiteral("Stopped"));
    setStatus(QStringLiteral("idle"));
    for (QTimer* timer : {Timer1, Timer2, Timer3, Timer4, Timer5, rest})
        timer->stop();
    StopRequested = true;
    RedialArmed = false; // a dial under way that fails must not start the redial cycle again
    HTTPGet1->Abort();
    _enable(!Anytime->isChecked());
    setAlpha(255);
}

void TForm1::Timer1Timer(QObject*) {
    const larkspur::platform::TimeOfDay now = services_.clock->timeOfDay();
    const larkspur::job::DailyWindow window{StartHour, StartMinute, EndHour, EndMinute};
    if (!larkspur::job::windowOpen(window, {now.hour, now.minute}) && !Anytime->isChecked())
        return;
    Timer1->stop();
    Timer3->start();
    Button3Click(Button3);
}

void TForm1::Timer2Timer(QObject*) {
    Timer2->stop();
    if (IsConnected())
        Download();
    else
        Button3Click(Button3);
}

void TForm1::Timer3Timer(QObject*) {
    CheckDeadlineOncePerEnd();
}

void TForm1::Timer4Timer(QObject*) {
    CloseDialupWindows();
}

void TForm1::Timer5Timer(QObject*) {
    Timer5->stop();
    Download();
}

void TForm1::FormClose(QObject*) {
    HTTPGet1->Abort();
    Button2Click(Button2);
    Button8Click(Button8);
    FadeOut();
}
