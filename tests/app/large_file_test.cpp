#include <QFile>
#include <QLabel>
#include <QProgressBar>
#include <QStorageInfo>
#include <gtest/gtest.h>

#include "tests/support/qt_printers.h"

#include "tests/support/job_fixture.h"

using larkspur::test::RecordedRequest;

namespace {

using LargeFile = larkspur::test::JobFixture;

bool sameBytes(QFile& a, QFile& b) {
    constexpr qint64 Piece = 16 << 20;
    while (!a.atEnd())
        if (a.read(Piece) != b.read(Piece))
            return false;
    return b.atEnd();
}

} // namespace

// Past 2 GiB, and past what 32 bits count once an earlier file of the same size is added.
TEST_F(LargeFile, AThreeGibFileLandsWholeWithItsLabelsAndTotals) {
    constexpr qint64 Size = 3LL << 30;
    // The download itself takes its full size on disk; a small build machine cannot hold it.
    if (QStorageInfo(path(".")).bytesAvailable() < Size + (256 << 20))
        GTEST_SKIP() << "needs 3.5 GB free beside the test's folder";
    QFile source(path("big.src")); // sparse: only the marks take room
    ASSERT_TRUE(source.open(QIODevice::ReadWrite) && source.resize(Size));
    for (const qint64 at : {qint64(0), (qint64(1) << 31) - 3, Size - 3})
        ASSERT_TRUE(source.seek(at) && source.write("abc") == 3);
    ASSERT_TRUE(source.flush());
    const uchar* mapped = source.map(0, Size);
    ASSERT_NE(mapped, nullptr);
    const QByteArray content = QByteArray::fromRawData(reinterpret_cast<const char*>(mapped), Size);
    server.setScript(
        [&](const RecordedRequest& r) { return larkspur::test::fileReply(content, r); });
    setList({server.url("/big.bin")});
    form->TotalBytes = Size;

    form->Download();

    EXPECT_EQ(form->Label15->text(), "3,221,225,472 of 3,221,225,472");
    EXPECT_EQ(form->ProgressBar1->value(), 200);
    EXPECT_TRUE(log().contains("Downloaded: big.bin Size: 3221225472"));
    EXPECT_TRUE(log().contains("Total downloaded: 6,291,456.00 KB"));
    QFile got(path("dl/big.bin"));
    ASSERT_TRUE(got.open(QIODevice::ReadOnly) && source.seek(0));
    EXPECT_TRUE(sameBytes(source, got));
}
