#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>

namespace larkspur::engine {

// How one night ended and what it fetched, reported once when it ends.
struct NightSummary {
    enum class End { ListDone, WindowOver, Stopped, LocalFailure };
    struct GivenUp {
        QString url;
        QString reason;
    };

    End end = End::ListDone;
    QString reason; // for a local failure: what went wrong
    int filesDone = 0;
    std::uint64_t bytesDone = 0;
    QList<GivenUp> givenUp;
    std::uint32_t durationMs = 0;
};

} // namespace larkspur::engine
