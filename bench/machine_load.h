#pragma once

#include <QFile>
#include <QString>
#include <QThread>

namespace larkspur::bench {

// How busy the machine was around a run: its processors and load averages, read when
// made and again when shown, since figures on a shared machine mean little without it.
class MachineLoad {
public:
    MachineLoad() : before_(loadAverage()) {}

    QString text() const {
        return QStringLiteral("%1 processors, load average %2 before, %3 after")
            .arg(QThread::idealThreadCount())
            .arg(before_, loadAverage());
    }

private:
    static QString loadAverage() {
        QFile file(QStringLiteral("/proc/loadavg"));
        if (!file.open(QIODevice::ReadOnly))
            return QStringLiteral("?");
        return QString::fromLatin1(file.readLine()).section(QLatin1Char(' '), 0, 0);
    }

    QString before_;
};

} // namespace larkspur::bench
