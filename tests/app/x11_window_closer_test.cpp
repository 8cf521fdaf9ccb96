// Needs an X display: the suite runs under xvfb-run, and fails without one.
#include <QProcess>
#include <gtest/gtest.h>
#include <set>

#include "tests/support/qt_printers.h"

#include "app/form1.h"
#include "platform_desktop/desktop_services.h"
#include "tests/support/form_fixture.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>

using larkspur::platform::makeX11WindowSystem;
using larkspur::platform::WindowId;

namespace {

// Real windows of the test's own X connection; it sees the close requests they get.
class X11Windows {
public:
    X11Windows() : display_(XOpenDisplay(nullptr)) {}
    ~X11Windows() {
        if (display_)
            XCloseDisplay(display_);
    }
    X11Windows(const X11Windows&) = delete;
    X11Windows& operator=(const X11Windows&) = delete;

    Display* display() const { return display_; }

    Window make(const QByteArray& title, bool wideTitleOnly = false) {
        const Window window =
            XCreateSimpleWindow(display_, DefaultRootWindow(display_), 0, 0, 40, 30, 0, 0, 0);
        if (wideTitleOnly)
            XChangeProperty(display_, window, atom("_NET_WM_NAME"), atom("UTF8_STRING"), 8,
                            PropModeReplace,
                            reinterpret_cast<const unsigned char*>(title.constData()),
                            static_cast<int>(title.size()));
        else
            XStoreName(display_, window, title.constData());
        Atom deleteWindow = atom("WM_DELETE_WINDOW");
        XSetWMProtocols(display_, window, &deleteWindow, 1);
        XMapWindow(display_, window);
        XSync(display_, False);
        return window;
    }

    // The windows that were asked to close, in the order they were asked.
    std::vector<Window> closeRequests() {
        std::vector<Window> asked;
        for (int idle = 0; idle < 10; ++idle) {
            XSync(display_, False);
            while (XPending(display_)) {
                XEvent event;
                XNextEvent(display_, &event);
                if (event.type == ClientMessage &&
                    event.xclient.message_type == atom("WM_PROTOCOLS") &&
                    static_cast<Atom>(event.xclient.data.l[0]) == atom("WM_DELETE_WINDOW"))
                    asked.push_back(event.xclient.window);
                idle = 0;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return asked;
    }

    Atom atom(const char* name) { return XInternAtom(display_, name, False); }

private:
    Display* display_;
};

class X11WindowCloser : public larkspur::test::FormFixture {
protected:
    void SetUp() override {
        FormFixture::SetUp();
        ASSERT_NE(x.display(), nullptr) << "no X display: run the tests under xvfb-run";
        system = makeX11WindowSystem();
        services.windows = system.get();
        makeForm();
    }

    X11Windows x;
    std::unique_ptr<larkspur::platform::WindowSystem> system;
};

TEST_F(X11WindowCloser, OneCallClosesExactlyTheTwoDialupWindows) {
    const Window dialup = x.make("Dial-up Connection");
    const Window second = x.make("Dial-up Connection (2)");
    const Window network = x.make("Network Connections", true);
    const Window lower = x.make("dial-up connection");
    const Window untitled = x.make("");

    const auto listed = system->topLevelWindows();
    const std::set<WindowId> all(listed.begin(), listed.end());
    for (const Window window : {dialup, second, network, lower, untitled})
        EXPECT_TRUE(all.contains(window));
    EXPECT_EQ(system->title(network), "Network Connections");

    form->CloseDialupWindows();
    // The window after the closed first one was still visited.
    EXPECT_EQ(x.closeRequests(), (std::vector<Window>{dialup, network}));
}

// Closes nothing on the shared display, so that it cannot disturb a test beside it.
TEST_F(X11WindowCloser, AWindowThatWentIsNoError) {
    const Window gone = x.make("Dial-up Connection");
    XDestroyWindow(x.display(), gone);
    XSync(x.display(), False);
    EXPECT_EQ(system->title(gone), QByteArray());
    system->requestClose(gone);
    EXPECT_TRUE(x.closeRequests().empty());
}

// A display of the test's own, so that its window list disturbs no other test.
TEST(X11WindowSystem, TheWholeClientListIsRead) {
    QProcess server;
    server.start("Xvfb", {"-displayfd", "1", "-nolisten", "tcp", "-screen", "0", "64x64x8"});
    ASSERT_TRUE(server.waitForStarted()) << "Xvfb is missing";
    ASSERT_TRUE(server.waitForReadyRead(10000));
    const QByteArray name = ":" + server.readLine().trimmed();
    Display* display = XOpenDisplay(name.constData());
    ASSERT_NE(display, nullptr);

    std::vector<unsigned long> clients(1000);
    for (std::size_t i = 0; i < clients.size(); ++i)
        clients[i] = 0x400000 + i;
    XChangeProperty(display, DefaultRootWindow(display),
                    XInternAtom(display, "_NET_CLIENT_LIST", False), XA_WINDOW, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(clients.data()),
                    static_cast<int>(clients.size()));
    XSync(display, False);
    const std::vector<WindowId> listed = makeX11WindowSystem(name)->topLevelWindows();
    EXPECT_EQ(listed, std::vector<WindowId>(clients.begin(), clients.end()));

    XCloseDisplay(display);
    server.terminate();
    server.waitForFinished();
}

TEST(X11WindowSystem, WithoutADisplayThereAreNoWindows) {
    const auto none = makeX11WindowSystem(":4711");
    EXPECT_TRUE(none->topLevelWindows().empty());
    EXPECT_EQ(none->title(1), QByteArray());
    none->requestClose(1);
}

} // namespace
