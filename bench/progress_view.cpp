#include "bench/progress_view.h"

#include <QLocale>
#include <QPainter>

namespace larkspur::bench {

void PaintedText::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawText(rect(), Qt::AlignLeft | Qt::AlignVCenter, text_());
}

ProgressView::ProgressView()
    : bar_(new QProgressBar(this)), amount_(new PaintedText(this, [this] { return amountText(); })),
      speed_(new PaintedText(this, [this] { return speedText(); })) {
    // Placed as on the main window: fixed geometry, no layout.
    setFixedSize(570, 418);
    bar_->setGeometry(68, 328, 497, 17);
    bar_->setRange(0, 200);
    bar_->setTextVisible(false);
    amount_->setGeometry(64, 352, 19, 13);
    speed_->setGeometry(472, 352, 19, 13);
    show();
}

void ProgressView::update(std::int32_t totalSize, std::int32_t readed) {
    if (!started_.isValid())
        started_.start();
    totalSize_ = totalSize;
    readed_ = readed;
    if (totalSize > 0)
        bar_->setValue(int(double(readed) / totalSize * 200));
    // Marks them for the next paint; the texts are made then.
    amount_->update();
    speed_->update();
}

QString ProgressView::amountText() const {
    const QLocale locale;
    return QStringLiteral("%1 of %2")
        .arg(locale.toString(double(readed_), 'f', 0), locale.toString(double(totalSize_), 'f', 0));
}

QString ProgressView::speedText() const {
    const qint64 elapsed = started_.isValid() ? started_.elapsed() : 0;
    if (elapsed <= 0)
        return {};
    return QString::number(qint64(double(readed_) / double(elapsed) * 1000)) +
           QStringLiteral(" b/s");
}

} // namespace larkspur::bench
