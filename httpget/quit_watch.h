#pragma once

#include <QObject>
#include <functional>

namespace larkspur {

// Calls `onQuit` when the application is asked to quit while this object lives. The
// request itself goes on: the main loop still ends once control returns to it.
class QuitWatch : public QObject {
public:
    explicit QuitWatch(std::function<void()> onQuit);
    ~QuitWatch() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::function<void()> onQuit_;
};

} // namespace larkspur
