#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "tests/support/qt_printers.h"

#include "platform/dialup_service.h"
#include "tests/support/fake_dialup.h"

using namespace larkspur::platform;
using larkspur::test::FakeDialup;

namespace {

constexpr ConnectionHandle ownNetworkHandle = 1;

class LineRule : public ::testing::Test {
protected:
    void SetUp() override {
        auto ownNetwork = std::make_unique<FakeDialup>();
        ownNetwork->connections = {ownNetworkHandle};
        ownNetwork->dialHandle = ownNetworkHandle;
        own = ownNetwork.get();
        auto ppp = std::make_unique<FakeDialup>();
        dialled = ppp.get();
        line = makeLineRuleDialup(std::move(ownNetwork), std::move(ppp), [this] { return field; });
    }

    std::uint32_t dial(const QString& entry, ConnectionHandle& handle) {
        return line->dial({entry, "night", "secret", "5551234"}, {}, handle);
    }

    FakeDialup* own = nullptr;
    FakeDialup* dialled = nullptr;
    QString field;
    std::unique_ptr<DialupService> line;
};

TEST_F(LineRule, TheFieldChoosesTheLineWhileNoDialledLineIsUp) {
    struct Case {
        QString field;
        std::vector<ConnectionHandle> pppUp;
        std::vector<ConnectionHandle> listed;
    };
    const std::vector<Case> cases = {
        {"", {}, {ownNetworkHandle}},
        {"  ", {}, {ownNetworkHandle}},
        {"isp", {}, {}},
        {"", {9}, {9}},
        {"isp", {9, 10}, {9, 10}},
        {"other", {9}, {9}},
    };
    for (const Case& c : cases) {
        field = c.field;
        dialled->connections = c.pppUp;
        EXPECT_EQ(line->activeConnections(), c.listed) << c.field.toStdString();
    }
}

TEST_F(LineRule, AnEmptyEntryDialsTheOwnNetworkANamedOneIsDialled) {
    ConnectionHandle handle = NoConnection;
    EXPECT_EQ(dial("", handle), 0u);
    EXPECT_EQ(handle, ownNetworkHandle);
    EXPECT_EQ(own->dials.size(), 1u);
    EXPECT_TRUE(dialled->dials.empty());

    dialled->dialResult = DialError::EntryNotFound;
    EXPECT_EQ(dial("isp", handle), DialError::EntryNotFound);
    ASSERT_EQ(dialled->dials.size(), 1u);
    EXPECT_EQ(dialled->dials[0].entry, "isp");
    EXPECT_EQ(own->dials.size(), 1u);
}

TEST_F(LineRule, HangUpsReachTheServiceWhoseHandleTheyName) {
    line->hangUp(ownNetworkHandle);
    line->hangUp(0x5150);
    EXPECT_EQ(own->hangUps, std::vector<ConnectionHandle>{ownNetworkHandle});
    EXPECT_EQ(dialled->hangUps, std::vector<ConnectionHandle>{0x5150});
}

TEST(DialupChoiceUnset, AnEmptyFieldIsTheOwnNetwork) {
    qunsetenv("LARKSPUR_DIALUP");
    DialupHooks hooks;
    hooks.entry = [] { return QString(); };
    EXPECT_FALSE(makeDialupService(hooks)->activeConnections().empty());
}

TEST(PppdDialFailingAtOnce, SaysWhyInTheLog) {
    QTemporaryDir dir;
    ASSERT_TRUE(QFile(dir.filePath("isp")).open(QIODevice::WriteOnly));
    struct Case {
        QString entry;
        QString program;
        std::uint32_t error;
        QString said;
    };
    const std::vector<Case> cases = {
        {"nosuch", LARKSPUR_PPPD_STANDIN, DialError::EntryNotFound, dir.filePath("nosuch")},
        {"../isp", LARKSPUR_PPPD_STANDIN, DialError::EntryNotFound, "\"../isp\""},
        {"isp", dir.filePath("missing/pppd"), DialError::HardwareFailure,
         dir.filePath("missing/pppd")},
    };
    for (const Case& c : cases) {
        QStringList notices;
        const auto pppd = makePppdDialup({c.program, dir.path(), dir.path(), dir.path()},
                                         [&](const QString& line) { notices << line; });
        ConnectionHandle handle = NoConnection;
        EXPECT_EQ(pppd->dial({c.entry, "", "", ""}, {}, handle), c.error);
        ASSERT_EQ(notices.size(), 1) << c.entry.toStdString();
        EXPECT_TRUE(notices[0].contains(c.said)) << notices[0].toStdString();
    }
}

} // namespace
