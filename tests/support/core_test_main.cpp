// The main of tests that show a library needs no widgets: a plain QCoreApplication, and the
// executable links no Qt Widgets.
#include <QCoreApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
