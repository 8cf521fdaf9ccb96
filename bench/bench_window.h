#pragma once

#include <QString>
#include <QTemporaryDir>
#include <memory>

#include "app/form1.h"
#include "platform_desktop/system_services.h"

namespace larkspur::bench {

// The program's main window on the real services, with the machine's own network as the
// line, shown, and working in a folder (and home) of its own so that its settings, list
// and download folder never meet the user's.
class BenchWindow {
public:
    // `caFile`: a certificate authority to trust besides the system's (empty: none).
    explicit BenchWindow(const QString& caFile = {});
    ~BenchWindow();
    BenchWindow(const BenchWindow&) = delete;
    BenchWindow& operator=(const BenchWindow&) = delete;

    TForm1& form() { return *form_; }

private:
    QTemporaryDir workDir_;
    QString previousDir_;
    platform::SystemServices system_;
    std::unique_ptr<TForm1> form_;
};

} // namespace larkspur::bench
