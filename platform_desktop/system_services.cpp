#include "platform_desktop/system_services.h"

#include "platform_desktop/desktop_services.h"

namespace larkspur::platform {

SystemServices::SystemServices(std::unique_ptr<DialupService> dialupService,
                               std::unique_ptr<HttpClientFactory> httpClient)
    : clock(makeSystemClock()), shell(makeDesktopShell()), folders(makeFolderTreeBrowser()),
      dialup(std::move(dialupService)), windows(makeX11WindowSystem()),
      machine(makeLinuxMachineControl()), http(std::move(httpClient)),
      notifier(makeDBusNotifier()), sleep(makeLogindSleepInhibitor()) {}

Services SystemServices::view() const {
    return {clock.get(),   shell.get(),   folders.get(), dialup.get(), windows.get(),
            machine.get(), http.get(),    notifier.get(), sleep.get()};
}

} // namespace larkspur::platform
