#pragma once

#include <cstddef>
#include <memory>

#include "httpget/target_file.h"

namespace larkspur {

// Collects the chunks of a transfer and hands them to the file a block at a time: one
// system call per block, not one per chunk. What a crash loses is at most the block being
// collected, and the resume fetches the end of a partial file again anyway.
class BlockWriter {
public:
    static constexpr std::size_t BlockSize = 64 * 1024;

    explicit BlockWriter(TargetFile& file) : file_(file) {}

    void write(const char* data, std::size_t count);
    // Hands what was collected to the file. A block the file refused is not offered again.
    void flush();
    // Flushes and gives the block's memory back, on the thread that wrote it.
    void finish();
    // Forgets what was collected: the file it was meant for is gone.
    void drop() { used_ = 0; }

private:
    TargetFile& file_;
    std::unique_ptr<char[]> block_;
    std::size_t used_ = 0;
};

} // namespace larkspur
