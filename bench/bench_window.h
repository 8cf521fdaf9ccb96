#pragma once

#include <QString>
#include <QTemporaryDir>
#include <memory>

#include "app/form1.h"
#include "platform/clock.h"
#include "platform/dialup_service.h"
#include "platform/folder_browser.h"
#include "platform/http_client.h"
#include "platform/machine_control.h"
#include "platform/services.h"
#include "platform/shell.h"
#include "platform/window_system.h"

namespace larkspur::bench {

// The program's main window on the real services, with the machine's own network as the
// line, shown, and working in a folder (and home) of its own so that its settings, list
// and download folder never meet the user's.
class BenchWindow {
public:
    // `caFile`: a certificate authority to trust besides the system's (empty: none).
    explicit BenchWindow(const QString& caFile = {});
    ~BenchWindow();
    BenchWindow(const BenchWindow&) = delete;
    BenchWindow& operator=(const BenchWindow&) = delete;

    TForm1& form() { return *form_; }

private:
    QTemporaryDir workDir_;
    QString previousDir_;
    std::unique_ptr<platform::Clock> clock_;
    std::unique_ptr<platform::Shell> shell_;
    std::unique_ptr<platform::FolderBrowser> folders_;
    std::unique_ptr<platform::DialupService> dialup_;
    std::unique_ptr<platform::WindowSystem> windows_;
    std::unique_ptr<platform::MachineControl> machine_;
    std::unique_ptr<platform::HttpClientFactory> http_;
    std::unique_ptr<TForm1> form_;
};

} // namespace larkspur::bench
