// A program that quits 300 ms into a transfer of argv[1] into argv[2], as the window's
// Exit does: with "wait" the transfer runs inside a waiting GetFile, otherwise in the
// background. It prints "quit" when it asks to quit, so that its end can be timed, and
// lives on for a moment after its application object is gone, as a program that still
// tidies up does.
#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <chrono>
#include <cstdio>
#include <thread>

#include "httpget/http_get.h"
#include "platform/http_client.h"

int main(int argc, char** argv) {
    if (argc != 4)
        return 2;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    const auto http = larkspur::platform::makeCurlHttpClientFactory();
    int status = 0;
    {
        QApplication application(argc, argv);
        QWidget window;
        auto* get = new THTTPGet(&window, *http);
        get->URL = QString::fromLocal8Bit(argv[1]);
        get->FileName = QString::fromLocal8Bit(argv[2]);
        get->WaitThread = qstrcmp(argv[3], "wait") == 0;
        get->OnProgress = [](QObject*, std::int64_t, std::int64_t) {};
        window.show();
        QTimer::singleShot(0, get, [get] { get->GetFile(); });
        QTimer::singleShot(300, [] {
            std::puts("quit");
            std::fflush(stdout);
            QApplication::quit();
        });
        status = QApplication::exec();
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    return status;
}
