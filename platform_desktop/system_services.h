#pragma once

#include <memory>

#include "platform/clock.h"
#include "platform/dialup_service.h"
#include "platform/folder_browser.h"
#include "platform/http_client.h"
#include "platform/machine_control.h"
#include "platform/notifier.h"
#include "platform/services.h"
#include "platform/shell.h"
#include "platform/sleep_inhibitor.h"
#include "platform/window_system.h"

namespace larkspur::platform {

// The machine's own services, owned together. The dial-up service and the HTTP client are
// the caller's choice: they are what a run or a benchmark sets up differently.
struct SystemServices {
    SystemServices(std::unique_ptr<DialupService> dialupService,
                   std::unique_ptr<HttpClientFactory> httpClient);

    Services view() const;

    std::unique_ptr<Clock> clock;
    std::unique_ptr<Shell> shell;
    std::unique_ptr<FolderBrowser> folders;
    std::unique_ptr<DialupService> dialup;
    std::unique_ptr<WindowSystem> windows;
    std::unique_ptr<MachineControl> machine;
    std::unique_ptr<HttpClientFactory> http;
    std::unique_ptr<Notifier> notifier;
    std::unique_ptr<SleepInhibitor> sleep;
};

} // namespace larkspur::platform
