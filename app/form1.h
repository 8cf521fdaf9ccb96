#pragma once

#include <QWidget>
#include <atomic>
#include <cstdint>
#include <memory>

#include "app/fade.h"
#include "app/fitted_label.h"
#include "app/kept_files.h"
#include "app/settings_record.h"
#include "engine/job_view.h"
#include "engine/night_job.h"
#include "framework/once_per_frame.h"
#include "platform/connection_handle.h"
#include "platform/services.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTimer;
class THTTPGet;

namespace larkspur {
class Memo;
} // namespace larkspur

// The main window: every control the user touches, and the view of the night's job,
// which it owns. Its member functions live in one file per concern (layout, log, fades,
// settings, folder, the view of the job).
class TForm1 : public QWidget, public larkspur::engine::JobView {
    Q_OBJECT
public:
    // Builds the window and runs FormCreate; an error there is shown in the
    // error box and the window is still made.
    explicit TForm1(const larkspur::platform::Services& services, QWidget* parent = nullptr);
    ~TForm1() override;

    // Controls, in the order of the layout.
    QLabel* Label11;            // "Files to download:"
    larkspur::Memo* Memo1;      // the list of URLs to fetch (1.txt)
    QPushButton* Button7;       // Begin: wait for the window, then dial and fetch
    QPushButton* Button8;       // Stop
    QPushButton* Button3;       // Dial
    QPushButton* Button4;       // Disconnect
    QPushButton* Button6;       // Open folder (of the downloads)
    QPushButton* Button2;       // Save settings
    QPushButton* Button1;       // About...
    QLabel* Label1;             // "Connection:"
    QLineEdit* Edit1;           // dial-up connection name
    QLabel* Label2;             // "User:"
    QLineEdit* Edit2;           // user name
    QLabel* Label3;             // "Password:"
    QLineEdit* Edit3;           // password, shown as #
    QLabel* Label4;             // "Phone:"
    QLineEdit* Edit4;           // phone number
    larkspur::Memo* Memo2;      // the log
    QLabel* Label5;             // "From:"
    QLineEdit* Edit5;           // window start hour
    QLabel* Label7;             // ":"
    QLineEdit* Edit6;           // window start minute
    QLabel* Label6;             // "to"
    QLineEdit* Edit7;           // window end hour
    QLabel* Label8;             // ":"
    QLineEdit* Edit8;           // window end minute
    QCheckBox* Anytime;         // Anytime: ignore the window
    QLabel* Label9;             // "Status:"
    FittedLabel* Label10;       // the status text
    QLabel* Label12;            // "Progress:"
    QProgressBar* ProgressBar1; // the current file's progress
    QLabel* Label13;            // "Readed:"
    FittedLabel* Label15;       // bytes of the current file
    QLabel* Label14;            // "Speed:"
    FittedLabel* Label16;       // the speed of the current file
    QLabel* Label17;            // "When ready:"
    QCheckBox* CheckBox2;       // Turn off computer when done
    QCheckBox* CheckBox3;       // Disconnect from internet when done
    QLabel* Label18;            // "Dir:"
    QLineEdit* Edit9;           // download folder
    QPushButton* Button10;      // Change: use the folder typed in Edit9
    QPushButton* Button5;       // Browse... (for the download folder)
    QPushButton* Button9;       // Exit

    // The night's job; the window is its view. Declared before the names below, which
    // forward to it.
    const std::unique_ptr<larkspur::engine::NightJob> job_;

    // Non-visual members: the job's.
    QTimer* const Timer1 = job_->Timer1;       // waits for the daily window, every 1 s
    QTimer* const Timer2 = job_->Timer2;       // redial delay, 5 s
    QTimer* const Timer3 = job_->Timer3;       // end-of-window check, every 5 s
    QTimer* const Timer4 = job_->Timer4;       // closes the system's dial-up prompts, every 1 s
    QTimer* const Timer5 = job_->Timer5;       // connected: starts the queue 100 ms later
    QTimer* const rest = job_->rest;           // pause after a failed file, 5 s
    THTTPGet* const HTTPGet1 = job_->HTTPGet1; // fetches one URL into one file

    // Job state: the job's.
    std::uint8_t& StartHour = job_->StartHour;
    std::uint8_t& StartMinute = job_->StartMinute;
    std::uint8_t& EndHour = job_->EndHour;
    std::uint8_t& EndMinute = job_->EndMinute;
    bool& StopRequested = job_->StopRequested;
    bool& FileDone = job_->FileDone;
    std::uint8_t& ErrorCount = job_->ErrorCount;
    std::uint16_t& DialAttempt = job_->DialAttempt;
    bool& RedialArmed = job_->RedialArmed;
    std::atomic<larkspur::platform::ConnectionHandle>& RasConnection = job_->RasConnection;
    bool& TurnOffWhenDone = job_->TurnOffWhenDone;
    bool& DisconnectWhenDone = job_->DisconnectWhenDone;
    QString& DownloadDir = job_->DownloadDir;
    std::uint32_t& FileStartTick = job_->FileStartTick;
    std::int64_t& FileReceived = job_->FileReceived;
    std::uint32_t& TotalTime = job_->TotalTime;
    std::uint64_t& TotalBytes = job_->TotalBytes;
    std::uint32_t& LinesGivenUp = job_->LinesGivenUp;
    std::int32_t FadeAlpha = 0;

    // The settings record as loaded at start-up, password unscrambled.
    SettingsRecord LoadedSettings;

    // Shared routines.
    void AddLog(const QString& text);
    void AddUrls(const QStringList& urls); // at the end of the list (url_list.cpp)
    void _enable(bool enabled);

    // Handlers of the window's own.
    void FormCreate(QObject* Sender);
    void FormShow(QObject* Sender);
    void FormClose(QObject* Sender);
    void AnytimeClick(QObject* Sender);
    void CheckBox2Click(QObject* Sender);
    void CheckBox3Click(QObject* Sender);
    void Button1Click(QObject* Sender);
    void Button2Click(QObject* Sender);
    void Button5Click(QObject* Sender);
    void Button6Click(QObject* Sender);
    void Button9Click(QObject* Sender);
    void Button10Click(QObject* Sender);

    // Handlers and routines of the job, which it runs.
    void Edit5Change(QObject*) { job_->Edit5Change(); }
    void Button3Click(QObject*) { job_->Button3Click(); }
    void Button4Click(QObject*) { job_->Button4Click(); }
    void Button7Click(QObject* Sender);
    void Button8Click(QObject*) { job_->Button8Click(); }
    void Timer1Timer(QObject*) { job_->Timer1Timer(); }
    void Timer2Timer(QObject*) { job_->Timer2Timer(); }
    void Timer3Timer(QObject*) { job_->Timer3Timer(); }
    void Timer4Timer(QObject*) { job_->Timer4Timer(); }
    void Timer5Timer(QObject*) { job_->Timer5Timer(); }
    void HTTPGet1Progress(QObject* Sender, std::int64_t TotalSize, std::int64_t Readed) {
        job_->HTTPGet1Progress(Sender, TotalSize, Readed);
    }
    void HTTPGet1DoneFile(QObject* Sender, const QString& FileName, std::int64_t FileSize) {
        job_->HTTPGet1DoneFile(Sender, FileName, FileSize);
    }
    void HTTPGet1Error(QObject* Sender) { job_->HTTPGet1Error(Sender); }
    void Download() { job_->Download(); }
    void CheckDeadline() { job_->CheckDeadline(); }
    void CheckDeadlineOncePerEnd() { job_->CheckDeadlineOncePerEnd(); }
    void FinishJob() { job_->FinishJob(); }
    bool IsConnected() { return job_->IsConnected(); }
    unsigned ListConnections() { return job_->ListConnections(); }
    void CloseDialupWindows() { job_->CloseDialupWindows(); }
    void EnablePrivilege(const char* name) { job_->EnablePrivilege(name); }
    void EnableShutdownPrivilegeAtStartup() { job_->EnableShutdownPrivilegeAtStartup(); }
    void PowerOffMachine() { job_->PowerOffMachine(); }

    // The last step of closing: the window fades to transparent.
    void FadeOut();

    // Settings and files: the record of Save's last two steps, which Dial writes too.
    void WriteSettingsRecord();

    larkspur::engine::NightJob& job() { return *job_; }
    const larkspur::platform::Services& services() const { return services_; }

    // The view the job talks to.
    void addLog(const QString& text) override { AddLog(text); }
    QStringList logLines() const override;
    void setStatus(const QString& text) override;
    void showProgress(std::int64_t readed, std::int64_t totalSize, std::int64_t received,
                      std::uint32_t elapsedMs) override;
    void showTransferFailed() override;
    int urlLineCount() const override;
    QString urlLine(int index) const override;
    int indexOfUrlLine(const QString& line) const override;
    void deleteUrlLine(int index) override;
    std::array<QString, 4> scheduleTexts() const override;
    bool anytime() const override;
    larkspur::platform::DialRequest dialRequest() const override;
    void save() override;
    void saveSettingsRecord() override { WriteSettingsRecord(); }
    void showJobRunning(bool running) override;
    void showPowerOffCountdown(larkspur::engine::PowerOffCountdown& countdown) override;

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void loadSettingsAndList();
    void LoadSettings();
    void createControls();
    void connectHandlers();
    void setAlpha(int alpha);
    FadeSteps fadeSteps();
    void showProgressNow();

    KeptFiles keptFiles_;
    larkspur::platform::Services services_;
    FadeGuard fades_;
    bool closing_ = false; // the closing sequence runs; another close request waits for it

    // The current file's latest figures: a fast transfer reports far more often than the
    // window paints, so they are formatted once a frame. A zero time: no new speed to show.
    struct Progress {
        std::int64_t readed = 0;
        std::int64_t totalSize = 0;
        std::int64_t received = 0;
        std::uint32_t elapsedMs = 0;
    } progress_;
    larkspur::OncePerFrame progressFrame_{[this] { showProgressNow(); }};
};
