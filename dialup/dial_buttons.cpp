// Dial and Disconnect.
#include "app/form1.h"

void TForm1::Button3Click(QObject*) {}

void TForm1::Button4Click(QObject*) {}
