#include "app/fitted_label.h"

void FittedLabel::setFittedText(const QString& text) {
    if (this->text() == text)
        return;
    setText(text);
    if (std::exchange(fitPending_, true))
        return;
    QMetaObject::invokeMethod(this, &FittedLabel::fitToText, Qt::QueuedConnection);
}

void FittedLabel::fitToText() {
    fitPending_ = false;
    // A fixed size also spares each new text a request to lay out the window.
    setFixedSize(sizeHint().width(), height());
}
