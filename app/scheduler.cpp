// Begin, Stop, the timers of a job and the closing sequence.
#include "app/form1.h"

#include <QPushButton>

#include "httpget/http_get.h"

void TForm1::Button7Click(QObject*) {}

void TForm1::Button8Click(QObject*) {}

void TForm1::Timer1Timer(QObject*) {}

void TForm1::Timer2Timer(QObject*) {}

void TForm1::Timer3Timer(QObject*) {}

void TForm1::Timer4Timer(QObject*) {
    CloseDialupWindows();
}

void TForm1::Timer5Timer(QObject*) {}

void TForm1::FormClose(QObject*) {
    HTTPGet1->Abort();
    Button2Click(Button2);
    Button8Click(Button8);
    FadeOut();
}
