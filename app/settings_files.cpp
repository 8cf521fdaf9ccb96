// Settings record "1.pwl" and URL list "1.txt".
#include "app/form1.h"

void TForm1::FormCreate(QObject*) {}

void TForm1::Button2Click(QObject*) {}

void TForm1::WriteSettingsRecord() {}
