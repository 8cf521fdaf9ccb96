#pragma once

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QTemporaryDir>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

#include "engine/night_job.h"
#include "httpget/http_get.h"
#include "tests/support/error_box_recorder.h"
#include "tests/support/fake_job_view.h"
#include "tests/support/fake_services.h"
#include "tests/support/http_server.h"

namespace larkspur::test {

// A night's job on fake services and a fake view, in a working directory of its own,
// with its line up, a download folder and a scripted server.
class EngineFixture : public ::testing::Test, protected FakeServices {
protected:
    void SetUp() override {
        QLocale::setDefault(QLocale::c());
        ASSERT_TRUE(workDir.isValid());
        previousDir = QDir::currentPath();
        QDir::setCurrent(workDir.path());
        ASSERT_TRUE(QDir().mkpath(path("dl")));
        qputenv("LARKSPUR_POWER_OFF_DELAY", "0"); // the countdown has its own tests
        job = std::make_unique<engine::NightJob>(services, view);
        job->Edit5Change();
        job->DownloadDir = path("dl");
        dialup.connections = {0x31};
        // Each progress event moves the tick counter on, so that times and speeds show.
        job->HTTPGet1->OnProgress = [this](QObject* sender, std::int64_t total,
                                           std::int64_t readed) {
            clock.ticks += 250;
            job->HTTPGet1Progress(sender, total, readed);
            if (duringTransfer)
                std::exchange(duringTransfer, {})();
        };
    }

    void TearDown() override {
        qunsetenv("LARKSPUR_POWER_OFF_DELAY");
        job.reset();
        QDir::setCurrent(previousDir);
    }

    QString path(const QString& name) const { return workDir.filePath(name); }
    void setList(const QStringList& urls) { view.urls = urls; }
    // As the list memo takes a text: a break at the end starts no further line.
    void setListText(const QString& text) {
        view.urls = text.split(QStringLiteral("\r\n"));
        if (view.urls.last().isEmpty())
            view.urls.removeLast();
    }
    const QStringList& log() const { return view.log; }
    QByteArray downloaded(const QString& name) const {
        QFile file(path("dl/" + name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QTemporaryDir workDir;
    QString previousDir;
    ErrorBoxRecorder errorBox;
    FakeJobView view;
    std::unique_ptr<engine::NightJob> job;
    TestHttpServer server;
    std::function<void()> duringTransfer; // runs once, inside the first progress event
};

} // namespace larkspur::test
