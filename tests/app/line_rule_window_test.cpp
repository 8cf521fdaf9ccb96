#include <QCheckBox>
#include <QCoreApplication>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <gtest/gtest.h>

#include "tests/support/qt_printers.h"

#include "app/window_dialup_hooks.h"
#include "tests/support/form_fixture.h"
#include "tests/support/http_server.h"
#include "widgets/memo.h"

using namespace larkspur::platform;
using larkspur::test::FakeDialup;

namespace {

// The window on the line a newcomer gets: the machine's own network and a dial-up
// service that records what it is asked to dial, wired as the program wires them.
class LineRuleWindow : public larkspur::test::FormFixture {
protected:
    void SetUp() override {
        FormFixture::SetUp();
        auto recorder = std::make_unique<FakeDialup>();
        ppp = recorder.get();
        useLine(makeLineRuleDialup(makeDirectDialup(), std::move(recorder), hooks.hooks().entry));
    }

    void useLine(std::unique_ptr<DialupService> service) {
        form.reset();
        line = std::move(service);
        services.dialup = line.get();
        makeForm();
        hooks.attach(*form);
        ASSERT_TRUE(QDir().mkpath(path("dl")));
        form->DownloadDir = path("dl");
        form->Anytime->setChecked(true);
    }

    QStringList log() const { return form->Memo2->lines(); }

    WindowDialupHooks hooks;
    FakeDialup* ppp = nullptr;
    std::unique_ptr<DialupService> line;
};

TEST_F(LineRuleWindow, AnEmptyFieldIsAlreadyConnectedAndDownloadsWithoutDialling) {
    larkspur::test::TestHttpServer server;
    server.serveFile("night file");
    form->Memo1->setWindowsText(server.url("/a.bin"));
    form->Button3Click(form->Button3);
    EXPECT_TRUE(ppp->dials.empty());
    EXPECT_EQ(log().value(0), "Already connected");
    EXPECT_TRUE(log().contains("All files downloaded"));
    QFile file(path("dl/a.bin"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), "night file");

    form->Button4Click(form->Button4); // nothing of its own to hang up
    EXPECT_TRUE(ppp->hangUps.empty());
}

TEST_F(LineRuleWindow, ANamedEntryIsDialledByName) {
    form->Edit1->setText("isp");
    form->Button3Click(form->Button3);
    ASSERT_EQ(ppp->dials.size(), 1u);
    EXPECT_EQ(ppp->dials[0].entry, "isp");
    EXPECT_EQ(log().value(0), "Connecting. Attempt #1");
}

TEST_F(LineRuleWindow, APppLineUpIsTheLineWhateverTheField) {
    ppp->connections = {7};
    for (const QString field : {"", "isp"}) {
        form->Memo2->clear();
        form->Edit1->setText(field);
        form->Button3Click(form->Button3);
        EXPECT_EQ(log().value(0), "Already connected") << field.toStdString();
        EXPECT_EQ(form->RasConnection, ConnectionHandle{7});
    }
    EXPECT_TRUE(ppp->dials.empty());
}

TEST_F(LineRuleWindow, ANamedEntryWithoutAPeersFileSaysSoInTheLog) {
    QTemporaryDir peers;
    useLine(
        makeLineRuleDialup(makeDirectDialup(),
                           makePppdDialup({"/bin/false", peers.path(), peers.path(), peers.path()},
                                          hooks.hooks().notice),
                           hooks.hooks().entry));
    form->Edit1->setText("nosuch");
    form->Button3Click(form->Button3);
    QCoreApplication::processEvents();
    ASSERT_EQ(log().size(), 3);
    EXPECT_EQ(log()[1], "Hardware failure.");
    EXPECT_TRUE(log()[2].contains(peers.filePath("nosuch"))) << log()[2].toStdString();
}

} // namespace
