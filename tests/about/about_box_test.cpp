#include <QApplication>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include "tests/support/qt_printers.h"

#include "about/click_label.h"
#include "about/flame.h"
#include "about/form2.h"
#include "about/version.h"
#include "tests/about/open_flame.h"
#include "tests/support/fake_shell.h"
#include "tests/support/form_fixture.h"

using larkspur::ClickLabel;

namespace {

class AboutBox : public ::testing::Test {
protected:
    void TearDown() override { delete box; }

    void closeByClickOn(QWidget* control, QPoint at) {
        QTest::mouseClick(control, Qt::LeftButton, {}, at);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    larkspur::test::FakeShell shell;
    QPointer<TForm2> box = new TForm2(nullptr, shell);
};

QList<TFlame*> liveFlames() {
    QList<TFlame*> flames;
    for (QWidget* widget : QApplication::allWidgets())
        if (auto* flame = qobject_cast<TFlame*>(widget))
            flames.append(flame);
    return flames;
}

} // namespace

TEST_F(AboutBox, IsABorderlessBlackWindowWithTheFireAndTheName) {
    EXPECT_TRUE(box->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(box->size(), QSize(498, 237));
    EXPECT_EQ(box->minimumSize(), box->maximumSize());
    EXPECT_EQ(box->palette().color(QPalette::Window), QColor(Qt::black));
    EXPECT_EQ(box->font().family(), "Verdana");
    EXPECT_EQ(box->font().pixelSize(), 11);

    TFlame* flame = box->Flame1;
    EXPECT_EQ(flame->geometry(), QRect(0, 40, 321, 200));
    EXPECT_EQ(flame->FireColor(), TFireColor::FireRed);
    EXPECT_EQ(flame->Interval(), 20);
    EXPECT_EQ(flame->BottomRange(), 0);
    EXPECT_FALSE(flame->SolidFlame);
    EXPECT_FALSE(flame->FadeOut());
    EXPECT_TRUE(flame->Enabled());

    const QImage& name = flame->Image();
    EXPECT_EQ(name.size(), QSize(250, 170));
    EXPECT_EQ(name.format(), QImage::Format_Indexed8);
    EXPECT_EQ(name.colorCount(), 256);
    EXPECT_EQ(name.pixel(0, 0), qRgb(0, 0, 0));
    EXPECT_EQ(name.pixel(249, 169), qRgb(0, 0, 0));
    int red = 0;
    for (int y = 0; y < name.height(); ++y)
        for (int x = 0; x < name.width(); ++x)
            red += qRed(name.pixel(x, y)) > 150 && qGreen(name.pixel(x, y)) < 60;
    EXPECT_GT(red, 1500); // letters, not a speck
}

TEST_F(AboutBox, LabelsStandWithTheirFontsAndColours) {
    struct Expected {
        ClickLabel* label;
        QPoint at;
        QString text;
        int pixelSize;
        bool bold;
        QColor colour;
    };
    const QColor aqua(0, 255, 255);
    const QColor white(Qt::white);
    const Expected table[] = {
        {box->Label1, {0, 8}, "version " LARKSPUR_VERSION " release", 13, true, aqua},
        {box->Label2, {328, 8}, "Made by:", 13, true, white},
        {box->Label3, {328, 28}, "The Larkspur team", 13, false, white},
        {box->Label4, {328, 52}, "http://larkspur.example/", 13, false, aqua},
        {box->Label5, {328, 80}, "Beta testers:", 13, true, white},
        {box->Label6, {328, 100}, "1. The night owls", 13, false, white},
        {box->Label7, {328, 120}, "2. Early risers", 13, false, white},
        {box->Label8, {328, 220}, "File version: ", 11, false, white},
    };
    for (const Expected& e : table) {
        SCOPED_TRACE(e.label->objectName().toStdString());
        EXPECT_EQ(e.label->pos(), e.at);
        EXPECT_EQ(e.label->text(), e.text);
        EXPECT_EQ(e.label->font().family(), "Verdana");
        EXPECT_EQ(e.label->font().pixelSize(), e.pixelSize);
        EXPECT_EQ(e.label->font().bold(), e.bold);
        EXPECT_EQ(e.label->palette().color(QPalette::WindowText), e.colour);
        if (e.label != box->Label1) {
            EXPECT_EQ(e.label->size(), e.label->sizeHint()); // sized to its text
        }
        EXPECT_LE(e.label->geometry().right(), box->width() - 1); // nothing cut off
    }
    EXPECT_EQ(box->Label1->size(), QSize(317, 17));
    EXPECT_TRUE(box->Label1->alignment() & Qt::AlignHCenter);
    EXPECT_TRUE(box->Label4->font().underline());
    EXPECT_EQ(box->Label4->cursor().shape(), Qt::PointingHandCursor);
}

TEST_F(AboutBox, VersionLineShowsTheProgramsFileVersion) {
    auto* built = new TForm2(nullptr, shell, QStringLiteral(LARKSPUR_PROGRAM_FILE));
    EXPECT_EQ(built->Label8->text(), "File version: " LARKSPUR_FILE_VERSION);
    delete built;
}

TEST_F(AboutBox, ClickOnTheFireClosesAndFreesTheBox) {
    box->show();
    closeByClickOn(box->Flame1, {100, 100});
    EXPECT_TRUE(box.isNull());
    EXPECT_TRUE(liveFlames().isEmpty());
}

TEST_F(AboutBox, ClickOnTheVersionLineClosesTheBox) {
    box->show();
    closeByClickOn(box->Label1, {5, 5});
    EXPECT_TRUE(box.isNull());
}

TEST_F(AboutBox, ClickOnTheBackgroundClosesTheBox) {
    box->show();
    closeByClickOn(box, {450, 180});
    EXPECT_TRUE(box.isNull());
}

TEST_F(AboutBox, CreditsAndTheFileVersionLineIgnoreClicks) {
    box->show();
    for (ClickLabel* label :
         {box->Label2, box->Label3, box->Label5, box->Label6, box->Label7, box->Label8})
        closeByClickOn(label, {2, 2});
    ASSERT_FALSE(box.isNull());
    EXPECT_TRUE(box->isVisible());
    EXPECT_TRUE(shell.opened.isEmpty());
}

TEST_F(AboutBox, LinkOpensWebAddressesAsTheyAreAndAnythingElseAsMail) {
    box->show();
    QTest::mouseClick(box->Label4, Qt::LeftButton, {}, {3, 3});
    box->Label4->setText(QStringLiteral("HTTP://LARKSPUR.EXAMPLE/"));
    box->Label4Click(box->Label4);
    box->Label4->setText(QStringLiteral("team@larkspur.example"));
    box->Label4Click(box->Label4);
    box->Label4->setText(QStringLiteral("htt"));
    box->Label4Click(box->Label4);
    const QList<QUrl> expected = {QUrl("http://larkspur.example/"),
                                  QUrl("mailto:HTTP://LARKSPUR.EXAMPLE/"),
                                  QUrl("mailto:team@larkspur.example"), QUrl("mailto:htt")};
    EXPECT_EQ(shell.opened, expected);
    EXPECT_TRUE(box->isVisible());
}

class AboutButton : public larkspur::test::FormFixture {};

TEST_F(AboutButton, OpensTheBoxModallyOverTheWindowAndLeavesNothingBehind) {
    form->move(200, 150);
    const qsizetype topLevels = QApplication::topLevelWidgets().size();
    const qsizetype mainTimers = form->findChildren<QTimer*>().size();
    for (int round = 0; round < 20; ++round) {
        SCOPED_TRACE(round);
        bool seen = false;
        QTimer::singleShot(0, [&] {
            auto* box = form->findChild<TForm2*>();
            ASSERT_NE(box, nullptr);
            seen = true;
            EXPECT_EQ(QApplication::activeModalWidget(), box);
            EXPECT_EQ(box->frameGeometry().center(), form->frameGeometry().center());
            TFlame* flame = box->Flame1;
            // The fire burns while the box waits for its click.
            const QImage first = larkspur::test::rendered(*flame);
            EXPECT_TRUE(
                QTest::qWaitFor([&] { return larkspur::test::rendered(*flame) != first; }, 2000));
            QTest::mouseClick(flame, Qt::LeftButton, {}, {160, 100});
        });
        form->Button1Click(form->Button1);
        EXPECT_TRUE(seen);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_EQ(form->findChild<TForm2*>(), nullptr);
        EXPECT_TRUE(liveFlames().isEmpty());
        EXPECT_EQ(QApplication::topLevelWidgets().size(), topLevels);
        EXPECT_EQ(form->findChildren<QTimer*>().size(), mainTimers);
    }
}
