#pragma once

#include <QByteArray>
#include <optional>

namespace larkspur {

// What identifies the version of a file that a partial file was cut from, so that a resume
// may ask for the rest only of that version ("If-Range"): a strong entity tag, else a
// modification time at least 60 s before the answer's date (an earlier one may change again
// within the same second). None when the answer carries neither.
std::optional<QByteArray> resumeValidator(const std::optional<QByteArray>& entityTag,
                                          const std::optional<QByteArray>& lastModified,
                                          const std::optional<QByteArray>& date);

} // namespace larkspur
