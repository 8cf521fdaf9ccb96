#include <QCoreApplication>
#include <gtest/gtest.h>

#include "tests/support/qt_printers.h"

#include "platform/sleep_inhibitor.h"
#include "tests/platform/mock_logind.h"

using larkspur::platform::makeLogindSleepInhibitor;
using larkspur::test::MockLogind;
using larkspur::test::StandardErrorCapture;

namespace {

const QStringList ourLock{"sleep:idle|Larkspur|Downloading the night's files|block"};

class SleepInhibitor : public MockLogind {
protected:
    // The inhibitor's answers arrive through the event loop.
    bool locksBecome(const QStringList& expected) {
        return waitUntil([&] {
            QCoreApplication::processEvents();
            return inhibitors() == expected;
        });
    }
};

TEST_F(SleepInhibitor, OneLockIsHeldFromTakeUntilReleaseOrTheEnd) {
    auto inhibitor = makeLogindSleepInhibitor(address);
    inhibitor->take();
    inhibitor->take(); // a second Begin while the job runs
    ASSERT_TRUE(locksBecome(ourLock)) << inhibitors().join(", ").toStdString();
    inhibitor->release();
    EXPECT_TRUE(locksBecome({}));
    inhibitor->release();

    inhibitor->take();
    ASSERT_TRUE(locksBecome(ourLock));
    inhibitor.reset(); // Exit
    EXPECT_TRUE(locksBecome({}));
    EXPECT_EQ(callLog().count("Inhibit \"sleep:idle\" \"Larkspur\" \"Downloading the night's "
                              "files\" \"block\""),
              2)
        << callLog().toStdString();
}

TEST_F(SleepInhibitor, AReleaseBeforeLogindAnswersLeavesNoLock) {
    const auto inhibitor = makeLogindSleepInhibitor(address);
    inhibitor->take();
    inhibitor->release();
    ASSERT_TRUE(waitUntil([&] {
        QCoreApplication::processEvents();
        return callLog().contains("Inhibit \"");
    }));
    EXPECT_TRUE(locksBecome({})); // logind lists the lock until our copy of it is closed
}

TEST_F(SleepInhibitor, WithoutLogindOneLineOnStandardErrorAndNothingElse) {
    logind.terminate(); // the bus stays, nobody answers for logind
    ASSERT_TRUE(logind.waitForFinished(5000));
    for (const QString& bus : {address, QString("unix:path=/nonexistent/bus")}) {
        StandardErrorCapture standardError;
        const auto inhibitor = makeLogindSleepInhibitor(bus);
        for (int begin = 0; begin < 2; ++begin) { // a retry presses Begin again
            EXPECT_NO_THROW(inhibitor->take());
            EXPECT_TRUE(waitUntil([&] {
                QCoreApplication::processEvents();
                return standardError.text().contains("the machine may sleep during the job");
            })) << bus.toStdString();
            inhibitor->release();
        }
        for (int turn = 0; turn < 10; ++turn) { // the second refusal's time to arrive
            QThread::msleep(30);
            QCoreApplication::processEvents();
        }
        EXPECT_EQ(standardError.text().count('\n'), 1) << standardError.text().toStdString();
    }
}

} // namespace
