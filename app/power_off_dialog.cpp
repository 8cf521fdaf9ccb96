#include "app/power_off_dialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "engine/power_off_countdown.h"

PowerOffDialog::PowerOffDialog(larkspur::engine::PowerOffCountdown& countdown, QWidget* parent)
    : QDialog(parent), countdown_(countdown), message_(new QLabel(this)) {
    setWindowTitle(QStringLiteral("Larkspur"));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Cancel)->setDefault(true);
    connect(buttons, &QDialogButtonBox::rejected, this, &PowerOffDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(message_);
    layout->addWidget(buttons);
    showSecondsLeft(countdown.secondsLeft());
    connect(&countdown, &larkspur::engine::PowerOffCountdown::ticked, this,
            &PowerOffDialog::showSecondsLeft);
    connect(&countdown, &larkspur::engine::PowerOffCountdown::expired, this, &QDialog::accept);
    connect(&countdown, &larkspur::engine::PowerOffCountdown::cancelled, this,
            [this] { QDialog::reject(); });
}

void PowerOffDialog::reject() {
    countdown_.cancel(); // its cancelled signal closes the dialog
    QDialog::reject();
}

void PowerOffDialog::showSecondsLeft(int seconds) {
    message_->setText(
        QStringLiteral("The job is done. The computer turns off in %1 s.").arg(seconds));
}
