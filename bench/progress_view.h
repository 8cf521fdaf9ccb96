#pragma once

#include <QElapsedTimer>
#include <QLabel>
#include <QProgressBar>
#include <QWidget>
#include <cstdint>

namespace larkspur::bench {

// The progress part of the main window: a bar of 0..200, "x of y" with grouped digits,
// and the speed in bytes per second, updated on every chunk as the window does.
class ProgressView : public QWidget {
public:
    ProgressView();
    void update(std::int32_t totalSize, std::int32_t readed);

private:
    QProgressBar* bar_;
    QLabel* amount_;
    QLabel* speed_;
    QElapsedTimer started_;
};

} // namespace larkspur::bench
