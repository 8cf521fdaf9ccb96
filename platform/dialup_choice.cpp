#include <stdexcept>

#include "platform/dialup_service.h"

namespace larkspur::platform {

std::unique_ptr<DialupService> makeDialupService(const DialupHooks& hooks) {
    const QString choice = qEnvironmentVariable("LARKSPUR_DIALUP");
    if (choice.isEmpty())
        return makeLineRuleDialup(makeDirectDialup(), makePppdDialup({}, hooks.notice),
                                  hooks.entry);
    if (choice == "pppd")
        return makePppdDialup({}, hooks.notice);
    if (choice == "direct")
        return makeDirectDialup();
    if (choice == "sim")
        return makeSimDialup({});
    if (choice.startsWith("sim:"))
        return makeSimDialup(choice.mid(4));
    throw std::invalid_argument("LARKSPUR_DIALUP=" + choice.toStdString() +
                                " is not known: use pppd, direct, sim or sim:SCRIPT");
}

} // namespace larkspur::platform
