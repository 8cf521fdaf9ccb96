#pragma once

#include <QString>
#include <exception>
#include <functional>

namespace larkspur {

// The title of the application, shown on the task bar and on the error box.
void setApplicationTitle(const QString& title);
QString applicationTitle();

// The standard error box: an error icon, OK, the application title, and the
// message with a period added unless it already ends in ".", "!", "," or a blank.
QString errorBoxText(const QString& message);
void showErrorBox(const QString& message);

// Shows the error that is being handled (call inside a catch block).
void showCurrentException();

// How the box is shown is the program's choice: a program with a window installs its
// dialog, tests a recorder. With none installed the message goes to standard error.
using ErrorBoxPresenter = std::function<void(const QString& title, const QString& text)>;
void setErrorBoxPresenter(ErrorBoxPresenter presenter);

} // namespace larkspur
