#include "framework/error_box.h"

#include "framework/errors.h"

#include <QMessageBox>

namespace larkspur {

namespace {

QString& title() {
    static QString value;
    return value;
}

ErrorBoxPresenter& presenter() {
    static ErrorBoxPresenter value;
    return value;
}

} // namespace

void setApplicationTitle(const QString& value) {
    title() = value;
}

QString applicationTitle() {
    return title();
}

QString errorBoxText(const QString& message) {
    if (!message.isEmpty() && message.back() > QLatin1Char('.'))
        return message + QLatin1Char('.');
    return message;
}

void showErrorBox(const QString& message) {
    const QString text = errorBoxText(message);
    if (presenter()) {
        presenter()(title(), text);
        return;
    }
    QMessageBox::critical(nullptr, title(), text);
}

void showCurrentException() {
    try {
        throw;
    } catch (const std::exception& e) {
        showErrorBox(QString::fromUtf8(e.what()));
    } catch (...) {
        showErrorBox(QStringLiteral("Unknown error"));
    }
}

void setErrorBoxPresenter(ErrorBoxPresenter value) {
    presenter() = std::move(value);
}

} // namespace larkspur
