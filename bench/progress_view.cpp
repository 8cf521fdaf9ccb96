#include "bench/progress_view.h"

#include <QLocale>

namespace larkspur::bench {

ProgressView::ProgressView()
    : bar_(new QProgressBar(this)), amount_(new QLabel(this)), speed_(new QLabel(this)) {
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
    if (totalSize > 0)
        bar_->setValue(int(double(readed) / totalSize * 200));
    const QLocale locale;
    amount_->setText(QStringLiteral("%1 of %2")
                         .arg(locale.toString(double(readed), 'f', 0),
                              locale.toString(double(totalSize), 'f', 0)));
    if (const qint64 elapsed = started_.elapsed(); elapsed > 0)
        speed_->setText(QString::number(qint64(double(readed) / double(elapsed) * 1000)) +
                        QStringLiteral(" b/s"));
}

} // namespace larkspur::bench
