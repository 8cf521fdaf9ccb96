#pragma once

#include <QWidget>
#include <atomic>
#include <cstdint>
#include <memory>

#include "app/dial_handover.h"
#include "app/fade.h"
#include "app/fitted_label.h"
#include "app/kept_files.h"
#include "app/settings_record.h"
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
namespace platform {
class Clock;
class DialupService;
} // namespace platform
} // namespace larkspur

// The main window: every control the user touches and the state of a download job.
// Its member functions live in one file per concern (layout, log, fades, settings,
// folder, scheduler, queue driver, end of job; the dial-up side in dial_*.cpp).
class TForm1 : public QWidget {
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

    // Non-visual members.
    QTimer* Timer1;     // waits for the daily window, every 1 s; then dials
    QTimer* Timer2;     // redial delay, 5 s: fetch when connected, else dial again
    QTimer* Timer3;     // end-of-window check, every 5 s, from dialling on
    QTimer* Timer4;     // closes the system's dial-up prompts, every 1 s, from Begin on
    QTimer* Timer5;     // connected: starts the queue 100 ms later
    QTimer* rest;       // pause after a failed file, 5 s; then Begin again
    THTTPGet* HTTPGet1; // fetches one URL into one file

    // Job state.
    std::uint8_t StartHour = 0;
    std::uint8_t StartMinute = 0;
    std::uint8_t EndHour = 0;
    std::uint8_t EndMinute = 0;
    bool StopRequested = false;
    bool FileDone = false;
    std::uint8_t ErrorCount = 0;
    std::uint16_t DialAttempt = 0;
    bool RedialArmed = false;
    // Read by the dial callback on the dial-up service's thread.
    std::atomic<larkspur::platform::ConnectionHandle> RasConnection =
        larkspur::platform::NoConnection;
    bool TurnOffWhenDone = false;
    bool DisconnectWhenDone = false;
    QString DownloadDir;
    std::uint32_t FileStartTick = 1; // 1: no file started
    std::int64_t FileReceived = 0;   // bytes that arrived since FileStartTick
    std::int64_t FileLastReaded = 0; // Readed of the last progress event
    std::uint32_t TotalTime = 1;
    std::uint64_t TotalBytes = 0;
    std::uint32_t LinesGivenUp = 0; // since start, like the totals
    std::int32_t FadeAlpha = 0;

    // The settings record as loaded at start-up, password unscrambled.
    SettingsRecord LoadedSettings;

    // Shared routines.
    void AddLog(const QString& text);
    void AddUrls(const QStringList& urls); // at the end of the list (url_list.cpp)
    void _enable(bool enabled);

    // Handlers.
    void FormCreate(QObject* Sender);
    void FormShow(QObject* Sender);
    void FormClose(QObject* Sender);
    void AnytimeClick(QObject* Sender);
    void CheckBox2Click(QObject* Sender);
    void CheckBox3Click(QObject* Sender);
    void Edit5Change(QObject* Sender);
    void Button1Click(QObject* Sender);
    void Button2Click(QObject* Sender);
    void Button3Click(QObject* Sender);
    void Button4Click(QObject* Sender);
    void Button5Click(QObject* Sender);
    void Button6Click(QObject* Sender);
    void Button7Click(QObject* Sender);
    void Button8Click(QObject* Sender);
    void Button9Click(QObject* Sender);
    void Button10Click(QObject* Sender);
    void Timer1Timer(QObject* Sender);
    void Timer2Timer(QObject* Sender);
    void Timer3Timer(QObject* Sender);
    void Timer4Timer(QObject* Sender);
    void Timer5Timer(QObject* Sender);
    void HTTPGet1Progress(QObject* Sender, std::int64_t TotalSize, std::int64_t Readed);
    void HTTPGet1DoneFile(QObject* Sender, const QString& FileName, std::int64_t FileSize);
    void HTTPGet1Error(QObject* Sender);

    // The job: the queue driver, the end-of-window check and the end-of-job sequence.
    void Download();
    void CheckDeadline();
    // The end-of-window timer's check: the end runs once, later ticks of its day do nothing.
    void CheckDeadlineOncePerEnd();
    void FinishJob();

    // The last step of closing: the window fades to transparent.
    void FadeOut();

    // Dial-up side and machine control.
    bool IsConnected();
    unsigned ListConnections(); // IsConnected's listing step: RasConnection := first, count
    void CloseDialupWindows();
    void EnablePrivilege(const char* name);
    void EnableShutdownPrivilegeAtStartup();
    void PowerOffMachine();

    // Settings and files: the record of Save's last two steps, which Dial writes too.
    void WriteSettingsRecord();

    const larkspur::platform::Services& services() const { return services_; }

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void loadSettingsAndList();
    void LoadSettings();
    void createControls();
    void createTimers();
    void createFetchComponent();
    void connectHandlers();
    void setAlpha(int alpha);
    FadeSteps fadeSteps();
    void setStatus(const QString& text);
    void saveLog();
    bool downloadPass(int& lastCount);
    void finishList();
    bool removeFetchedLine(const QString& line);
    void giveUp(const QString& url);
    void startDial();
    static void dialReport(DialHandover& handover, larkspur::platform::Clock& clock,
                           larkspur::platform::DialupService& dialup, std::uint32_t message,
                           std::int32_t state, std::uint32_t error);

    bool endOfWindowReached();
    void endOfWindow();

    bool queueRunning_ = false;       // one run of the driver at a time
    bool endOfWindowHandled_ = false; // the end of window now reached has run already
    KeptFiles keptFiles_;
    // The dial callback's way to the window; outlives it for reports that come late.
    std::shared_ptr<DialHandover> dialHandover_ = std::make_shared<DialHandover>(*this);

    larkspur::platform::Services services_;
    FadeGuard fades_;
    bool closing_ = false; // the closing sequence runs; another close request waits for it
};
