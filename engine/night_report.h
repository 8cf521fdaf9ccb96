#pragma once

#include <QString>

#include "engine/night_summary.h"

namespace larkspur::engine {

// The body of the morning's notification: what was fetched, then how the night ended,
// "12 files downloaded, 1.4 GB; 1 given up\nThe list was done after 05:12:40."
QString nightReport(const NightSummary& summary);

} // namespace larkspur::engine
