#include "engine/failure_text.h"

#include <exception>

namespace larkspur::engine {

QString currentFailureText() {
    try {
        throw;
    } catch (const std::exception& failure) {
        return QString::fromUtf8(failure.what());
    } catch (...) {
        return QStringLiteral("Unknown error");
    }
}

} // namespace larkspur::engine
