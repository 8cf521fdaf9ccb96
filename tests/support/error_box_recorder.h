#pragma once

#include <QStringList>

#include "framework/error_box.h"

namespace larkspur::test {

// Records what the standard error box would show, for as long as it lives.
class ErrorBoxRecorder {
public:
    ErrorBoxRecorder() {
        setErrorBoxPresenter([this](const QString& title, const QString& text) {
            titles.append(title);
            messages.append(text);
        });
    }
    ~ErrorBoxRecorder() { setErrorBoxPresenter({}); }
    ErrorBoxRecorder(const ErrorBoxRecorder&) = delete;
    ErrorBoxRecorder& operator=(const ErrorBoxRecorder&) = delete;

    QStringList titles;
    QStringList messages;
};

} // namespace larkspur::test
