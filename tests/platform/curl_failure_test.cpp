#include <gtest/gtest.h>

#include "tests/support/qt_printers.h"

#include "platform/curl_failure.h"

using larkspur::platform::describeCurlFailure;

TEST(CurlFailure, TheClientsWordsContinueOursAndKeepTheirAcronyms) {
    const struct {
        CURLcode code;
        const char* clientText;
        const char* reason;
    } cases[] = {
        {CURLE_PEER_FAILED_VERIFICATION, "SSL certificate problem: self-signed certificate",
         "certificate not trusted: SSL certificate problem: self-signed certificate"},
        {CURLE_SSL_CONNECT_ERROR, "TLS connect error",
         "secure connection failed: TLS connect error"},
        {CURLE_PEER_FAILED_VERIFICATION, "X509 name mismatch",
         "certificate not trusted: X509 name mismatch"},
        {CURLE_WRITE_ERROR, "Failure writing output", "failure writing output"},
        {CURLE_WRITE_ERROR, "A", "a"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(describeCurlFailure(c.code, c.clientText, "h", 0), QString::fromUtf8(c.reason))
            << c.clientText;
}
