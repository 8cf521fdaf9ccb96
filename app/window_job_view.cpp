// The window as the view of the night's job.
#include "app/form1.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>

#include "app/fitted_label.h"
#include "app/power_off_dialog.h"
#include "job/transfer_texts.h"
#include "widgets/memo.h"

using namespace larkspur::job;

QStringList TForm1::logLines() const {
    return Memo2->lines();
}

void TForm1::setStatus(const QString& text) {
    Label10->setFittedText(text);
}

void TForm1::showProgress(std::int64_t readed, std::int64_t totalSize, std::int64_t received,
                          std::uint32_t elapsedMs) {
    progress_.readed = readed;
    progress_.totalSize = totalSize;
    if (elapsedMs != 0) {
        progress_.received = received;
        progress_.elapsedMs = elapsedMs;
    }
    progressFrame_.changed();
}

void TForm1::showProgressNow() {
    ProgressBar1->setValue(progressPosition(progress_.readed, progress_.totalSize));
    Label15->setFittedText(bytesOfTotalText(progress_.readed, progress_.totalSize, QLocale()));
    if (progress_.elapsedMs == 0)
        return;
    Label16->setFittedText(speedText(progress_.received, progress_.elapsedMs));
    progress_.elapsedMs = 0; // shown: until a new time comes, the speed stays as it is
}

void TForm1::showTransferFailed() {
    progressFrame_.showNow(); // the last figures first, so that "n/a" is not overwritten
    Label15->setFittedText(QStringLiteral("n/a"));
    Label16->setFittedText(QStringLiteral("n/a"));
}

int TForm1::urlLineCount() const {
    return Memo1->lineCount();
}

QString TForm1::urlLine(int index) const {
    return Memo1->line(index);
}

int TForm1::indexOfUrlLine(const QString& line) const {
    return Memo1->indexOfLine(line);
}

void TForm1::deleteUrlLine(int index) {
    Memo1->deleteLine(index);
}

std::array<QString, 4> TForm1::scheduleTexts() const {
    return {Edit5->text(), Edit6->text(), Edit7->text(), Edit8->text()};
}

bool TForm1::anytime() const {
    return Anytime->isChecked();
}

larkspur::platform::DialRequest TForm1::dialRequest() const {
    // The full field texts: the settings file keeps only 30 characters of each.
    return {Edit1->text(), Edit2->text(), Edit3->text(), Edit4->text()};
}

void TForm1::showJobRunning(bool running) {
    _enable(!running && !Anytime->isChecked());
    setAlpha(running ? 215 : 255);
}

void TForm1::save() {
    Button2Click(Button2);
}

void TForm1::showPowerOffCountdown(larkspur::engine::PowerOffCountdown& countdown) {
    auto* dialog = new PowerOffDialog(countdown, this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->show();
}
