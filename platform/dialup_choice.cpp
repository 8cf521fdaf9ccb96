#include <QFileInfo>
#include <stdexcept>

#include "platform/dialup_service.h"

namespace larkspur::platform {

std::unique_ptr<DialupService> makeDialupService() {
    const QString choice = qEnvironmentVariable("LARKSPUR_DIALUP");
    if (choice.isEmpty())
        return QFileInfo(PppdPaths{}.program).isExecutable() ? makePppdDialup()
                                                             : makeDirectDialup();
    if (choice == "pppd")
        return makePppdDialup();
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
