#pragma once

namespace larkspur {

// Shows the standard error box as a modal dialog from now on: what a program with a
// window installs; the widget-free libraries only report.
void installErrorDialog();

} // namespace larkspur
