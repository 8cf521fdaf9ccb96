// Whether a dial-up connection is up, and which one.
#include "app/form1.h"
#include "platform/dialup_service.h"

using larkspur::platform::NoConnection;

unsigned TForm1::ListConnections() {
    const auto connections = services().dialup->activeConnections();
    RasConnection = connections.empty() ? NoConnection : connections.front();
    return static_cast<unsigned>(connections.size());
}

bool TForm1::IsConnected() {
    const unsigned count = ListConnections();
    return RasConnection != NoConnection && count != 0;
}
