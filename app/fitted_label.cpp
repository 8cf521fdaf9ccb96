#include "app/fitted_label.h"

#include <QLabel>

void setFittedText(QLabel* label, const QString& text) {
    if (label->text() == text)
        return;
    label->setText(text);
    const int width = label->sizeHint().width();
    if (width != label->width())
        label->resize(width, label->height());
}
