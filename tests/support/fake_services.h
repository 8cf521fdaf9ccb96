#pragma once

#include <chrono>
#include <memory>

#include "platform/http_client.h"
#include "platform/services.h"
#include "tests/support/fake_clock.h"
#include "tests/support/fake_dialup.h"
#include "tests/support/fake_folder_browser.h"
#include "tests/support/fake_machine_control.h"
#include "tests/support/fake_notifier.h"
#include "tests/support/fake_shell.h"
#include "tests/support/fake_sleep_inhibitor.h"
#include "tests/support/fake_window_system.h"

namespace larkspur::test {

// Every service of the machine as a fake, wired into `services`; the network is the real
// client with a short inactivity limit, for the tests' own local server.
struct FakeServices {
    FakeServices() {
        services.clock = &clock;
        services.shell = &shell;
        services.folders = &folders;
        services.dialup = &dialup;
        services.windows = &windows;
        services.machine = &machine;
        services.http = http.get();
        services.notifier = &notifier;
        services.sleep = &sleep;
    }
    FakeServices(const FakeServices&) = delete;
    FakeServices& operator=(const FakeServices&) = delete;

    FakeClock clock;
    FakeShell shell;
    FakeFolderBrowser folders;
    FakeDialup dialup;
    FakeWindowSystem windows;
    FakeMachineControl machine;
    FakeNotifier notifier;
    FakeSleepInhibitor sleep;
    std::unique_ptr<platform::HttpClientFactory> http =
        platform::makeCurlHttpClientFactory(std::chrono::milliseconds(1500));
    platform::Services services;
};

} // namespace larkspur::test
