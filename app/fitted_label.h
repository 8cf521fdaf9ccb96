#pragma once

class QLabel;
class QString;

// Sets a label's text and sizes the label to it, keeping its top-left corner, so a
// status or a byte count is never cut to the width of the label's first text.
void setFittedText(QLabel* label, const QString& text);
