#pragma once

#include <QList>
#include <QString>
#include <cstdint>

namespace larkspur::engine {

// Why a night's job ended.
enum class NightEnd {
    ListDone,     // every line was fetched or given up
    WindowOver,   // the daily window closed first
    Stopped,      // the user pressed Stop
    LocalFailure, // something on this machine failed: `NightSummary::reason` says what
};

struct GivenUpLine {
    QString url;
    QString reason;
};

// What a night did, for whoever looks in the morning.
struct NightSummary {
    int filesDone = 0;
    std::uint64_t bytes = 0;
    QList<GivenUpLine> givenUp;
    std::int64_t durationMs = 0;
    NightEnd end = NightEnd::ListDone;
    QString reason; // of a local failure
};

} // namespace larkspur::engine
