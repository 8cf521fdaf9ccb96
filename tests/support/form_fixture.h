#pragma once

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

#include "app/form1.h"
#include "tests/support/error_box_recorder.h"
#include "tests/support/fake_services.h"

namespace larkspur::test {

// A main window made in a working directory of its own, on fake services.
class FormFixture : public ::testing::Test, protected FakeServices {
protected:
    void SetUp() override {
        ASSERT_TRUE(workDir.isValid());
        previousDir = QDir::currentPath();
        QDir::setCurrent(workDir.path());
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
    ErrorBoxRecorder errorBox;
    std::unique_ptr<TForm1> form;
};

} // namespace larkspur::test
