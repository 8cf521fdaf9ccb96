#include "app/command_line.h"

#include <QSet>
#include <cstdio>

#include "about/version.h"

namespace {

const char* const Usage =
    "Usage: larkspur [--version] [--help] [--data-folder] [URL...]: opens the window that "
    "fetches a list of URLs at night and adds the URLs to its list; settings and list in "
    "./1.pwl and ./1.txt, or with --data-folder in ~/.local/share/larkspur";

// The toolkit's options that take a value, with one dash or two.
bool takesToolkitValue(const QString& option) {
    static const QSet<QString> options{"platform",
                                       "platformpluginpath",
                                       "platformtheme",
                                       "plugin",
                                       "qmljsdebugger",
                                       "qwindowgeometry",
                                       "qwindowicon",
                                       "qwindowtitle",
                                       "display",
                                       "geometry",
                                       "title",
                                       "name",
                                       "style",
                                       "stylesheet",
                                       "session",
                                       "font",
                                       "fn",
                                       "bg",
                                       "fg",
                                       "btn",
                                       "cmap",
                                       "visual",
                                       "im",
                                       "inputstyle"};
    return options.contains(option);
}

bool isToolkitFlag(const QString& option) {
    static const QSet<QString> options{"reverse", "nograb",      "dograb",
                                       "sync",    "widgetcount", "testability"};
    return options.contains(option);
}

CommandLine answer(int status, const char* text, FILE* stream) {
    std::fprintf(stream, "%s\n", text);
    return {status, false, {}};
}

} // namespace

CommandLine readCommandLine(int argc, char* argv[]) {
    CommandLine line;
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const QString argument = QString::fromLocal8Bit(argv[i]);
        if (optionsEnded || !argument.startsWith(QLatin1Char('-')) || argument == "-") {
            line.urls.append(argument);
            continue;
        }
        const QString option = argument.mid(argument.startsWith(QLatin1String("--")) ? 2 : 1);
        if (argument == "--")
            optionsEnded = true;
        else if (argument == "--version")
            return answer(0, "larkspur " LARKSPUR_VERSION, stdout);
        else if (argument == "--help" || argument == "-h")
            return answer(0, Usage, stdout);
        else if (argument == "--data-folder")
            line.inDataFolder = true;
        else if (takesToolkitValue(option) && i + 1 < argc)
            ++i;
        else if (!isToolkitFlag(option)) {
            std::fprintf(stderr, "larkspur: unknown option '%s'\n", argv[i]);
            return answer(2, Usage, stderr);
        }
    }
    return line;
}
