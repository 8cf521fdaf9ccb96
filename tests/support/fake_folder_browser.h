#pragma once

#include "platform/folder_browser.h"

namespace larkspur::test {

// Answers with `answer` (nothing: the user cancelled) and records how it was asked.
class FakeFolderBrowser : public platform::FolderBrowser {
public:
    std::optional<QString> answer;
    int calls = 0;
    QString caption, root, initial;

    std::optional<QString> browse(const QString& c, const QString& r, const QString& i) override {
        ++calls;
        caption = c;
        root = r;
        initial = i;
        return answer;
    }
};

} // namespace larkspur::test
