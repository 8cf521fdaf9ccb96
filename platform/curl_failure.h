#pragma once

#include <QByteArray>
#include <QString>
#include <curl/curl.h>

namespace larkspur::platform {

// What a failed exchange with `server` comes to in plain words: "could not resolve host
// h", "connection refused", "certificate not trusted: ...". `errorText` is the client's
// own message; `osError` the system's error number of the failed connect (0: none).
QString describeCurlFailure(CURLcode code, const char* errorText, const QByteArray& server,
                            long osError);

} // namespace larkspur::platform
