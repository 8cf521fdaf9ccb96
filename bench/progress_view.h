#pragma once

#include <QElapsedTimer>
#include <QProgressBar>
#include <QWidget>
#include <cstdint>
#include <functional>

namespace larkspur::bench {

// A label whose text is made when it is painted, from values that are always current: a
// progress event only stores numbers, and a text is formatted at most once per paint.
class PaintedText : public QWidget {
public:
    PaintedText(QWidget* parent, std::function<QString()> text)
        : QWidget(parent), text_(std::move(text)) {}

protected:
    void paintEvent(QPaintEvent*) override;

private:
    std::function<QString()> text_;
};

// The progress part of the main window: a bar of 0..200, "x of y" with grouped digits,
// and the speed in bytes per second, current on every chunk as the window is.
class ProgressView : public QWidget {
public:
    ProgressView();
    void update(std::int32_t totalSize, std::int32_t readed);

private:
    QString amountText() const;
    QString speedText() const;

    std::int32_t totalSize_ = 0;
    std::int32_t readed_ = 0;
    QProgressBar* bar_;
    PaintedText* amount_;
    PaintedText* speed_;
    QElapsedTimer started_;
};

} // namespace larkspur::bench
