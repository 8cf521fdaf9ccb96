#pragma once

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

#include "app/form1.h"
#include "platform/http_client.h"
#include "platform/services.h"
#include "tests/support/error_box_recorder.h"
#include "tests/support/fake_clock.h"
#include "tests/support/fake_dialup.h"
#include "tests/support/fake_folder_browser.h"
#include "tests/support/fake_machine_control.h"
#include "tests/support/fake_notifier.h"
#include "tests/support/fake_shell.h"
#include "tests/support/fake_sleep_inhibitor.h"
#include "tests/support/fake_window_system.h"

namespace larkspur::test {

// A main window made in a working directory of its own, on fake services.
class FormFixture : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(workDir.isValid());
        previousDir = QDir::currentPath();
        QDir::setCurrent(workDir.path());
        services.clock = &clock;
        services.shell = &shell;
        services.folders = &folders;
        services.dialup = &dialup;
        services.windows = &windows;
        services.machine = &machine;
        services.http = http.get();
        services.notifier = &notifier;
        services.sleep = &sleep;
        qputenv("LARKSPUR_POWER_OFF_DELAY", "0"); // the countdown has its own tests
        makeForm();
    }

    void TearDown() override {
        qunsetenv("LARKSPUR_POWER_OFF_DELAY");
        form.reset();
        QDir::setCurrent(previousDir);
    }

    // Makes the window anew, as a restart of the program in the same folder would.
    void makeForm() {
        form.reset();
        form = std::make_unique<TForm1>(services);
    }

    QString path(const QString& name) const { return workDir.filePath(name); }

    QTemporaryDir workDir;
    QString previousDir;
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
    ErrorBoxRecorder errorBox;
    platform::Services services;
    std::unique_ptr<TForm1> form;
};

} // namespace larkspur::test
