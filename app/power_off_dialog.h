#pragma once

#include <QDialog>

class QLabel;

namespace larkspur::engine {
class PowerOffCountdown;
}

// The power-off countdown on screen: the seconds left and a Cancel button. It closes by
// itself when the countdown ends either way.
class PowerOffDialog : public QDialog {
    Q_OBJECT
public:
    PowerOffDialog(larkspur::engine::PowerOffCountdown& countdown, QWidget* parent = nullptr);

    QLabel* message() const { return message_; }

protected:
    void reject() override; // Escape and the title bar's close cancel as the button does

private:
    void showSecondsLeft(int seconds);

    larkspur::engine::PowerOffCountdown& countdown_;
    QLabel* message_;
};
