// The fetch component in a program without widgets, such as a console tool.
#include <QFile>
#include <gtest/gtest.h>

#include "framework/errors.h"
#include "httpget/http_get.h"
#include "tests/httpget/transfer_fixture.h"

using namespace larkspur;
using namespace larkspur::test;

using WithoutWidgets = TransferFixture;

TEST_F(WithoutWidgets, AFailingHandlerIsReportedOnStandardErrorAndTheComponentGoesOn) {
    server.serveFile("abc");
    THTTPGet get(nullptr, *http);
    get.URL = server.url("/f.bin");
    get.FileName = target();
    get.WaitThread = true;
    get.OnDoneFile = [](QObject*, const QString&, std::int32_t) { throw Error("log full"); };
    testing::internal::CaptureStderr();
    get.GetFile(); // the handler's error must need no dialog
    const std::string reported = testing::internal::GetCapturedStderr();
    EXPECT_NE(reported.find("log full."), std::string::npos) << reported;
    EXPECT_FALSE(get.busy());

    int done = 0;
    get.OnDoneFile = [&done](QObject*, const QString&, std::int32_t) { ++done; };
    QFile::remove(target());
    get.GetFile();
    EXPECT_EQ(done, 1);
}
