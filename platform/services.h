#pragma once

namespace larkspur::platform {

class Clock;
class Shell;
class FolderBrowser;
class DialupService;
class WindowSystem;
class MachineControl;
class HttpClientFactory;
class Notifier;
class SleepInhibitor;

// The system services the main window reaches the machine through. main() wires
// the real ones; tests wire fakes. None is owned here.
struct Services {
    Clock* clock = nullptr;
    Shell* shell = nullptr;
    FolderBrowser* folders = nullptr;
    DialupService* dialup = nullptr;
    WindowSystem* windows = nullptr;
    MachineControl* machine = nullptr;
    HttpClientFactory* http = nullptr;
    Notifier* notifier = nullptr;
    SleepInhibitor* sleep = nullptr;
};

} // namespace larkspur::platform
