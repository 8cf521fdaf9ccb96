#pragma once

#include <QLabel>

#include "framework/events.h"

namespace larkspur {

// A label that keeps its clicks: it raises OnClick when one is assigned, and a click on
// it never reaches the window beneath.
class ClickLabel : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;

    TNotifyEvent OnClick;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
};

} // namespace larkspur
