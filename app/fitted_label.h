#pragma once

#include <QLabel>

// A label that sizes itself to its text, keeping its top-left corner, so a status or a byte
// count is never cut to the width of the label's first text. Measuring a text costs more
// than a fast transfer's whole chunk, so the label takes each text at once but measures
// only once per turn of the event loop, before it is painted again.
class FittedLabel : public QLabel {
public:
    using QLabel::QLabel;

    void setFittedText(const QString& text);

private:
    void fitToText();

    bool fitPending_ = false;
};
