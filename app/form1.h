#pragma once

#include <QWidget>
#include <atomic>
#include <cstdint>
#include <memory>

#include "app/dial_handover.h"
#include "app/fade.h"
#include "app/fitted_label.h"
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
// folder, scheduler; the dial-up side in dialup/).
class TForm1 : public QWidget {
    Q_OBJECT
public:
    // Builds the window and runs FormCreate; an error there is shown in the
    // error box and the window is still made.
    explicit TForm1(const larkspur::platform::Services& services, QWidget* parent = nullptr);
    ~TForm1() override;

    // Controls, in the order of the layout.
    QLabel* Label11;
    larkspur::Memo* Memo1;
    QPushButton* Button7;
    QPushButton* Button8;
    QPushButton* Button3;
    QPushButton* Button4;
    QPushButton* Button6;
    QPushButton* Button2;
    QPushButton* Button1;
    QLabel* Label1;
    QLineEdit* Edit1;
    QLabel* Label2;
    QLineEdit* Edit2;
    QLabel* Label3;
    QLineEdit* Edit3;
    QLabel* Label4;
    QLineEdit* Edit4;
    larkspur::Memo* Memo2;
    QLabel* Label5;
    QLineEdit* Edit5;
    QLabel* Label7;
    QLineEdit* Edit6;
    QLabel* Label6;
    QLineEdit* Edit7;
    QLabel* Label8;
    QLineEdit* Edit8;
    QCheckBox* Anytime;
    QLabel* Label9;
    FittedLabel* Label10;
    QLabel* Label12;
    QProgressBar* ProgressBar1;
    QLabel* Label13;
    FittedLabel* Label15;
    QLabel* Label14;
    FittedLabel* Label16;
    QLabel* Label17;
    QCheckBox* CheckBox2;
    QCheckBox* CheckBox3;
    QLabel* Label18;
    QLineEdit* Edit9;
    QPushButton* Button10;
    QPushButton* Button5;
    QPushButton* Button9;

    // Non-visual members.
    QTimer* Timer1;
    QTimer* Timer2;
    QTimer* Timer3;
    QTimer* Timer4;
    QTimer* Timer5;
    QTimer* rest;
    THTTPGet* HTTPGet1;

    // Job state.
    std::uint8_t StartHour = 0;
    std::uint8_t StartMinute = 0;
    std::uint8_t EndHour = 0;
    std::uint8_t EndMinute = 0;
    bool StopRequested = false;
    bool FileDone = false;
    std::uint8_t ErrorCount = 0;
    std::uint16_t DialAttempt = 0;
    // Both are read by the dial callback on the dial-up service's thread.
    std::atomic<bool> RedialArmed = false;
    std::atomic<larkspur::platform::ConnectionHandle> RasConnection =
        larkspur::platform::NoConnection;
    bool TurnOffWhenDone = false;
    bool DisconnectWhenDone = false;
    QString DownloadDir;
    std::uint32_t FileStartTick = 1; // 1: no file started
    std::uint32_t TotalTime = 1;
    std::uint32_t TotalBytes = 0;
    std::int32_t FadeAlpha = 0;

    // The settings record as loaded at start-up, password unscrambled.
    SettingsRecord LoadedSettings;

    // Shared routines.
    void AddLog(const QString& text);
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
    void HTTPGet1Progress(QObject* Sender, std::int32_t TotalSize, std::int32_t Readed);
    void HTTPGet1DoneFile(QObject* Sender, const QString& FileName, std::int32_t FileSize);
    void HTTPGet1Error(QObject* Sender);

    // The job: the queue driver, the end-of-window check and the end-of-job sequence.
    void Download();
    void CheckDeadline();
    void FinishJob();

    // Called by the dial-up service on its own thread; hands window changes over.
    void RasDialCallback(std::uint32_t message, std::int32_t state, std::uint32_t error);

    // The last step of closing: the window fades to transparent.
    void FadeOut();

    // Dial-up side and machine control (dialup/).
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
    void LoadSettings();
    void createControls();
    void createTimers();
    void createFetchComponent();
    void connectHandlers();
    void setAlpha(int alpha);
    FadeSteps fadeSteps();
    void setStatus(const QString& text);
    void saveLog();
    void downloadPass(int& lastCount);
    void removeFetchedLine(const QString& url);
    void startDial();
    static void dialReport(DialHandover& handover, larkspur::platform::Clock& clock,
                           larkspur::platform::DialupService& dialup, std::uint32_t message,
                           std::int32_t state, std::uint32_t error);

    bool queueRunning_ = false; // one run of the driver at a time
    // The dial callback's way to the window; outlives it for reports that come late.
    std::shared_ptr<DialHandover> dialHandover_ = std::make_shared<DialHandover>(*this);

    larkspur::platform::Services services_;
    FadeGuard fades_;
    bool closing_ = false; // the closing sequence runs; another close request waits for it
};
