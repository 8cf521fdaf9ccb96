#include "framework/round_trip_log.h"

#include <algorithm>

namespace larkspur {

double RoundTripLog::percentile(double percent) const {
    std::vector<std::int64_t> kept(nanoseconds_.begin(),
                                   nanoseconds_.begin() + std::ptrdiff_t(size()));
    if (kept.empty())
        return 0;
    const auto rank = std::size_t(percent / 100.0 * double(kept.size() - 1));
    std::nth_element(kept.begin(), kept.begin() + std::ptrdiff_t(rank), kept.end());
    return double(kept[rank]) / 1000.0;
}

} // namespace larkspur
