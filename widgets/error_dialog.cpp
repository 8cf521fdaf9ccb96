#include "widgets/error_dialog.h"

#include <QMessageBox>

#include "framework/error_box.h"

namespace larkspur {

void installErrorDialog() {
    setErrorBoxPresenter([](const QString& title, const QString& text) {
        QMessageBox::critical(nullptr, title, text);
    });
}

} // namespace larkspur
