#pragma once

#include <QString>
#include <cstdint>

namespace larkspur::job {

// What the dial-up manager does with one reported connection state.
struct DialStateStep {
    QString text;                // logged when the report carries no error; empty: nothing
    std::uint32_t pauseMs = 0;   // the callback's pause after taking the state
    bool startsDownload = false; // the line is up: the queue driver follows
};

DialStateStep dialStateStep(std::int32_t state);

// The log text of a dial error code.
QString dialErrorText(std::uint32_t error);

} // namespace larkspur::job
