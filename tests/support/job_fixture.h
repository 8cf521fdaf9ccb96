#pragma once

#include <QFile>
#include <QLocale>
#include <QTimer>
#include <functional>

#include "httpget/http_get.h"
#include "tests/support/form_fixture.h"
#include "tests/support/http_server.h"
#include "widgets/memo.h"

namespace larkspur::test {

// A main window whose line is up, with a download folder and a scripted server.
class JobFixture : public FormFixture {
protected:
    void SetUp() override {
        QLocale::setDefault(QLocale::c());
        FormFixture::SetUp();
        ASSERT_TRUE(QDir().mkpath(path("dl")));
        form->DownloadDir = path("dl");
        dialup.connections = {0x31};
        // Each progress event moves the tick counter on, so that times and speeds show.
        const TOnProgressEvent progress = form->HTTPGet1->OnProgress;
        form->HTTPGet1->OnProgress = [this, progress](QObject* sender, std::int64_t total,
                                                      std::int64_t readed) {
            clock.ticks += 250;
            progress(sender, total, readed);
            if (duringTransfer)
                std::exchange(duringTransfer, {})();
        };
    }

    void setList(const QStringList& urls) { form->Memo1->setWindowsText(urls.join("\r\n")); }
    QStringList log() const { return form->Memo2->lines(); }
    QByteArray downloaded(const QString& name) const {
        QFile file(path("dl/" + name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    TestHttpServer server;
    std::function<void()> duringTransfer; // runs once, inside the first progress event
};

} // namespace larkspur::test
