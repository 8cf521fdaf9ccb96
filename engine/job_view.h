#pragma once

#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>

#include "platform/dialup_service.h"

namespace larkspur::engine {

class PowerOffCountdown;

// What the night's job shows and reads through the window: the log, the status, the
// current file's progress, the URL list (which the user may edit while a transfer
// runs), the schedule fields and the dial-up fields. Everything runs on the GUI thread.
class JobView {
public:
    virtual ~JobView() = default;

    virtual void addLog(const QString& text) = 0;
    virtual QStringList logLines() const = 0;
    virtual void setStatus(const QString& text) = 0;

    // `received` bytes arrived in the `elapsedMs` since the file's first progress event;
    // an elapsed time of 0 leaves the speed as it was.
    virtual void showProgress(std::int64_t readed, std::int64_t totalSize, std::int64_t received,
                              std::uint32_t elapsedMs) = 0;
    virtual void showTransferFailed() = 0;

    virtual int urlLineCount() const = 0;
    virtual QString urlLine(int index) const = 0;
    virtual int indexOfUrlLine(const QString& line) const = 0;
    virtual void deleteUrlLine(int index) = 0;

    // Start hour, start minute, end hour, end minute, as typed.
    virtual std::array<QString, 4> scheduleTexts() const = 0;
    virtual bool anytime() const = 0;
    virtual platform::DialRequest dialRequest() const = 0;

    // Save: the URL list and the settings; raises what a failed save raises.
    virtual void save() = 0;
    // The settings record alone, as a dial writes it first; raises likewise.
    virtual void saveSettingsRecord() = 0;
    // The schedule fields locked and the window dimmed while a job runs.
    virtual void showJobRunning(bool running) = 0;
    // The minute before the power-off, with its Cancel, for whoever is there.
    virtual void showPowerOffCountdown(PowerOffCountdown& countdown) = 0;
};

} // namespace larkspur::engine
