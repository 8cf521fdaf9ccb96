#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include "tests/support/fake_notifier.h"
#include "tests/support/qt_printers.h"

#include "app/power_off_dialog.h"
#include "engine/power_off_countdown.h"

using larkspur::engine::PowerOffCountdown;

namespace {

TEST(PowerOffDialog, ShowsTheSecondsLeftAndItsCancelOrEscapeCancelsTheCountdown) {
    for (const bool byEscape : {false, true}) {
        larkspur::test::FakeNotifier notifier;
        PowerOffCountdown countdown(&notifier, 60);
        PowerOffDialog dialog(countdown);
        QSignalSpy cancelled(&countdown, &PowerOffCountdown::cancelled);
        countdown.start();
        dialog.show();
        EXPECT_TRUE(dialog.message()->text().contains("60 s"));
        ASSERT_TRUE(
            QTest::qWaitFor([&] { return dialog.message()->text().contains("59 s"); }, 3000));
        if (byEscape)
            QTest::keyClick(&dialog, Qt::Key_Escape);
        else
            dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Cancel)->click();
        EXPECT_EQ(cancelled.size(), 1);
        EXPECT_FALSE(dialog.isVisible());
        EXPECT_EQ(dialog.result(), QDialog::Rejected);
    }
}

TEST(PowerOffDialog, ClosesByItselfWhenTheCountdownRunsOutOrIsCancelledElsewhere) {
    larkspur::test::FakeNotifier notifier;
    PowerOffCountdown expiring(&notifier, 1), cancelledElsewhere(&notifier, 60);
    PowerOffDialog first(expiring), second(cancelledElsewhere);
    for (auto* dialog : {&first, &second})
        dialog->show();
    expiring.start();
    cancelledElsewhere.start();
    notifier.pick(notifier.shown.last().id, "cancel");
    EXPECT_FALSE(second.isVisible());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !first.isVisible(); }, 3000));
    EXPECT_EQ(first.result(), QDialog::Accepted);
}

} // namespace
