#include "framework/error_box.h"

#include <cstdio>

#include "framework/errors.h"

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
    const QString line = title().isEmpty() ? text : title() + QStringLiteral(": ") + text;
    std::fprintf(stderr, "%s\n", qPrintable(line));
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
