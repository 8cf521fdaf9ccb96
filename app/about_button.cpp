#include "app/form1.h"

#include "about/form2.h"

// A fresh about box every time; it frees itself when it closes. The modal loop keeps
// serving the main window's timers.
void TForm1::Button1Click(QObject*) {
    auto* about = new TForm2(this, *services().shell);
    about->exec();
}
