#include "platform_desktop/desktop_services.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>

namespace larkspur::platform {
namespace {

constexpr long titlePropertyLongs = 256; // reads titles of up to 1024 bytes
constexpr long wholeProperty = ~0L;      // as long as the property is

int ignoreError(Display*, XErrorEvent*) {
    return 0;
}

// Windows may go at any moment; an error about one must not end the program, which
// is what Xlib's own handler does. The handler is restored once the requests are done.
class ErrorTrap {
public:
    explicit ErrorTrap(Display* display)
        : display_(display), previous_(XSetErrorHandler(ignoreError)) {}
    ErrorTrap(const ErrorTrap&) = delete;
    ErrorTrap& operator=(const ErrorTrap&) = delete;
    ~ErrorTrap() {
        XSync(display_, False);
        XSetErrorHandler(previous_);
    }

private:
    Display* display_;
    int (*previous_)(Display*, XErrorEvent*);
};

// One property's data as Xlib hands it, freed with it.
class Property {
public:
    Property(Display* display, Window window, Atom name, Atom type, long longs) {
        unsigned long remaining = 0;
        if (XGetWindowProperty(display, window, name, 0, longs, False, type, &type_, &format_,
                               &items_, &remaining, &data_) != Success) {
            data_ = nullptr;
            items_ = 0;
        }
    }
    Property(const Property&) = delete;
    Property& operator=(const Property&) = delete;
    ~Property() {
        if (data_)
            XFree(data_);
    }

    bool present() const { return data_ != nullptr && type_ != 0; }
    int format() const { return format_; }
    unsigned long items() const { return items_; }
    const unsigned char* data() const { return data_; }

private:
    Atom type_ = 0;
    int format_ = 0;
    unsigned long items_ = 0;
    unsigned char* data_ = nullptr;
};

class X11WindowSystem : public WindowSystem {
public:
    explicit X11WindowSystem(const QByteArray& displayName)
        : display_(XOpenDisplay(displayName.isEmpty() ? nullptr : displayName.constData())) {
        if (!display_)
            return;
        clientList_ = XInternAtom(display_, "_NET_CLIENT_LIST", False);
        netWmName_ = XInternAtom(display_, "_NET_WM_NAME", False);
        utf8String_ = XInternAtom(display_, "UTF8_STRING", False);
        wmProtocols_ = XInternAtom(display_, "WM_PROTOCOLS", False);
        wmDeleteWindow_ = XInternAtom(display_, "WM_DELETE_WINDOW", False);
    }
    X11WindowSystem(const X11WindowSystem&) = delete;
    X11WindowSystem& operator=(const X11WindowSystem&) = delete;
    ~X11WindowSystem() override {
        if (display_)
            XCloseDisplay(display_);
    }

    std::vector<WindowId> topLevelWindows() override {
        if (!display_)
            return {};
        ErrorTrap trap(display_);
        const Window root = DefaultRootWindow(display_);
        // A desktop may well have more windows than any fixed buffer holds.
        const Property managed(display_, root, clientList_, XA_WINDOW, wholeProperty);
        if (managed.present() && managed.format() == 32) {
            const auto* windows = reinterpret_cast<const unsigned long*>(managed.data());
            return {windows, windows + managed.items()};
        }
        return rootChildren(root);
    }

    QByteArray title(WindowId window) override {
        if (!display_)
            return {};
        ErrorTrap trap(display_);
        const Property wide(display_, window, netWmName_, utf8String_, titlePropertyLongs);
        if (wide.present() && wide.format() == 8)
            return bytesOf(wide);
        const Property plain(display_, window, XA_WM_NAME, AnyPropertyType, titlePropertyLongs);
        return plain.present() && plain.format() == 8 ? bytesOf(plain) : QByteArray();
    }

    void requestClose(WindowId window) override {
        if (!display_)
            return;
        ErrorTrap trap(display_);
        XEvent event{};
        event.xclient.type = ClientMessage;
        event.xclient.window = window;
        event.xclient.message_type = wmProtocols_;
        event.xclient.format = 32;
        event.xclient.data.l[0] = static_cast<long>(wmDeleteWindow_);
        event.xclient.data.l[1] = CurrentTime;
        XSendEvent(display_, window, False, NoEventMask, &event);
    }

private:
    static QByteArray bytesOf(const Property& property) {
        return QByteArray(reinterpret_cast<const char*>(property.data()),
                          static_cast<qsizetype>(property.items()));
    }

    std::vector<WindowId> rootChildren(Window root) {
        Window rootReturn = 0, parent = 0;
        Window* children = nullptr;
        unsigned count = 0;
        if (!XQueryTree(display_, root, &rootReturn, &parent, &children, &count))
            return {};
        std::vector<WindowId> windows(children, children + count);
        if (children)
            XFree(children);
        return windows;
    }

    Display* display_;
    Atom clientList_ = 0;
    Atom netWmName_ = 0;
    Atom utf8String_ = 0;
    Atom wmProtocols_ = 0;
    Atom wmDeleteWindow_ = 0;
};

} // namespace

std::unique_ptr<WindowSystem> makeX11WindowSystem(const QByteArray& displayName) {
    return std::make_unique<X11WindowSystem>(displayName);
}

} // namespace larkspur::platform
