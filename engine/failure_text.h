#pragma once

#include <QString>

namespace larkspur::engine {

// The message of the exception being handled (call inside a catch block).
QString currentFailureText();

} // namespace larkspur::engine
