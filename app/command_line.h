#pragma once

#include <QStringList>
#include <optional>

// What the command line asks for, read before any display is opened.
struct CommandLine {
    std::optional<int> exitStatus; // set: the answer is printed, the program ends with it
    bool inDataFolder = false;     // work in the user's data folder, as a menu start does
    QStringList urls;              // to add at the end of the list
};

// --version, --help, --data-folder and URLs; the toolkit's own options are left to it.
// Anything else prints the usage on standard error and ends with status 2.
CommandLine readCommandLine(int argc, char* argv[]);
