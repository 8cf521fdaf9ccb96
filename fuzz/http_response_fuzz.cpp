// A response head, fed line by line as the client receives it, and a resume offset go
// through the checks that decide what of the response may reach the target file. Input:
// eight bytes of offset, four of how far the partial file reaches past it, then the head's
// text.
#include <cstdint>
#include <cstring>

#include "httpget/response_checks.h"
#include "platform/http_response_head.h"

namespace {

void require(bool condition) {
    if (!condition)
        __builtin_trap();
}

// A plan must describe a file that starts where the body goes and grows by exactly the
// announced length, as far as the head announces one.
void checkPlan(const larkspur::BodyPlan& plan, const larkspur::ResponseHead& head,
               std::int64_t offset, std::int64_t partialSize) {
    const std::int64_t start = plan.restart ? 0 : offset;
    require(larkspur::isSuccessStatus(head.status));
    require(!plan.restart || partialSize > 0);
    const auto length =
        head.contentLength ? larkspur::parseContentLength(*head.contentLength) : std::nullopt;
    require(head.contentLength.has_value() == length.has_value());
    require(plan.totalSize.has_value() == length.has_value());
    if (length)
        require(*plan.totalSize == start + *length);
    if (head.status == "206") {
        const auto range = larkspur::parseContentRange(head.contentRange.value_or(""));
        require(range && !plan.restart && range->first == offset &&
                range->last + 1 == range->complete && range->complete >= partialSize);
        if (length)
            require(range->complete == *plan.totalSize);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::int64_t offset = 0;
    std::uint32_t overlap = 0;
    if (size < sizeof offset + sizeof overlap)
        return 0;
    std::memcpy(&offset, data, sizeof offset);
    std::memcpy(&overlap, data + sizeof offset, sizeof overlap);
    offset &= 0x3FFFFFFFFFFFFFFF;
    const std::int64_t partialSize = offset + overlap % 10000;
    const std::size_t headAt = sizeof offset + sizeof overlap;
    const QByteArray text(reinterpret_cast<const char*>(data) + headAt, qsizetype(size - headAt));

    larkspur::platform::HttpResponseHead received;
    for (const QByteArray& line : text.split('\n'))
        received.takeLine(line + '\n');
    require(received.status() >= 0 && received.status() <= 999);
    const larkspur::ResponseHead head{QByteArray::number(received.status()), received.phrase(),
                                      received.value("Content-Length"),
                                      received.value("Content-Range")};
    const larkspur::BodyDecision decision = larkspur::planBody(head, offset, partialSize);
    require(decision.plan.has_value() == decision.refusal.isEmpty());
    require(!decision.stalePartial || !decision.plan);
    if (decision.plan)
        checkPlan(*decision.plan, head, offset, partialSize);
    return 0;
}
