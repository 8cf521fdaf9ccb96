#pragma once

#include <QStringList>
#include <functional>

#include "engine/job_view.h"
#include "job/transfer_texts.h"

namespace larkspur::test {

// Keeps what the job shows, as plain values, and hands it the list and fields a test sets.
class FakeJobView : public engine::JobView {
public:
    QStringList log;
    QString status = QStringLiteral("idle");
    QStringList urls;
    std::array<QString, 4> schedule{"02", "00", "09", "00"};
    bool anytimeTicked = false;
    bool running = false;
    int barPosition = 0;
    QString bytesText, speed;
    platform::DialRequest dialFields{"entry", "user", "secret", "1"};
    int saves = 0;
    int recordSaves = 0;
    int countdowns = 0;
    std::function<void()> onSave, onSaveRecord; // may raise, as a failing save does

    // Like the log memo: each CR LF inside a text starts a further line.
    void addLog(const QString& text) override { log.append(text.split(QStringLiteral("\r\n"))); }
    QStringList logLines() const override { return log; }
    void setStatus(const QString& text) override { status = text; }
    void showProgress(std::int64_t readed, std::int64_t totalSize, std::int64_t received,
                      std::uint32_t elapsedMs) override {
        barPosition = job::progressPosition(readed, totalSize);
        bytesText = job::bytesOfTotalText(readed, totalSize, QLocale());
        if (elapsedMs != 0)
            speed = job::speedText(received, elapsedMs);
    }
    void showTransferFailed() override { bytesText = speed = QStringLiteral("n/a"); }
    int urlLineCount() const override { return static_cast<int>(urls.size()); }
    QString urlLine(int index) const override { return urls.value(index); }
    int indexOfUrlLine(const QString& line) const override {
        return static_cast<int>(urls.indexOf(line));
    }
    void deleteUrlLine(int index) override { urls.removeAt(index); }
    std::array<QString, 4> scheduleTexts() const override { return schedule; }
    bool anytime() const override { return anytimeTicked; }
    platform::DialRequest dialRequest() const override { return dialFields; }
    void save() override {
        ++saves;
        if (onSave)
            onSave();
    }
    void saveSettingsRecord() override {
        ++recordSaves;
        if (onSaveRecord)
            onSaveRecord();
    }
    void showJobRunning(bool isRunning) override { running = isRunning; }
    void showPowerOffCountdown(engine::PowerOffCountdown&) override { ++countdowns; }
};

} // namespace larkspur::test
