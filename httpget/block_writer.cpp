#include "httpget/block_writer.h"

#include <cstring>
#include <utility>

namespace larkspur {

void BlockWriter::write(const char* data, std::size_t count) {
    if (used_ + count > BlockSize)
        flush();
    if (count >= BlockSize)
        return file_.write(data, std::int64_t(count));
    if (!block_)
        block_ = std::make_unique_for_overwrite<char[]>(BlockSize);
    std::memcpy(block_.get() + used_, data, count);
    used_ += count;
    if (used_ == BlockSize)
        flush(); // a full block goes at once: less than a block ever waits
}

void BlockWriter::flush() {
    if (const std::size_t count = std::exchange(used_, 0))
        file_.write(block_.get(), std::int64_t(count));
}

void BlockWriter::finish() {
    flush();
    block_.reset();
}

} // namespace larkspur
