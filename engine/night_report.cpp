#include "engine/night_report.h"

#include <QLocale>

#include "job/format_duration.h"
#include "platform/notifier.h"

namespace larkspur::engine {

namespace {

QString fetched(const NightSummary& summary) {
    QString text = summary.filesDone == 1
                       ? QStringLiteral("1 file downloaded")
                       : QStringLiteral("%1 files downloaded").arg(summary.filesDone);
    if (summary.filesDone > 0)
        text += QStringLiteral(", ") + QLocale::c().formattedDataSize(qint64(summary.bytesDone), 1,
                                                                      QLocale::DataSizeSIFormat);
    if (!summary.givenUp.isEmpty())
        text += QStringLiteral("; %1 given up").arg(summary.givenUp.size());
    return text;
}

QString ending(const NightSummary& summary, const QString& duration) {
    switch (summary.end) {
    case NightSummary::End::ListDone:
        return QStringLiteral("The list was done after %1.").arg(duration);
    case NightSummary::End::WindowOver:
        return QStringLiteral("The time window closed after %1.").arg(duration);
    case NightSummary::End::Stopped:
        return QStringLiteral("Stopped after %1.").arg(duration);
    case NightSummary::End::LocalFailure:
        return QStringLiteral("Stopped after %1 by a failure here: %2")
            .arg(duration, summary.reason);
    }
    return {};
}

} // namespace

QString nightReport(const NightSummary& summary) {
    return fetched(summary) + QLatin1Char('\n') +
           ending(summary, FormatDuration(summary.durationMs));
}

unsigned notifyNightEnded(platform::Notifier& notifier, const NightSummary& summary) {
    return notifier.notify(QStringLiteral("Larkspur"), nightReport(summary),
                           QStringLiteral("org.larkspur.Larkspur"),
                           {{OpenFolderAction, QStringLiteral("Open folder")}});
}

} // namespace larkspur::engine
