#include "about/click_label.h"

#include "about/click.h"

namespace larkspur {

void ClickLabel::mousePressEvent(QMouseEvent* event) {
    takeClickPress(event);
}

void ClickLabel::mouseReleaseEvent(QMouseEvent* event) {
    raiseClickOnRelease(this, event, OnClick);
}

} // namespace larkspur
