// Dial and Disconnect.
#include "app/form1.h"

#include <QLineEdit>
#include <QTimer>

#include "app/dial_handover.h"
#include "httpget/http_get.h"
#include "platform/dialup_service.h"

using larkspur::platform::ConnectionHandle;
using larkspur::platform::NoConnection;

void TForm1::Button3Click(QObject*) {
    RedialArmed = true;
    RasConnection = NoConnection;
    if (IsConnected()) {
        AddLog(QStringLiteral("Already connected"));
        Download();
        return;
    }
    setStatus(QStringLiteral("connecting..."));
    ++DialAttempt;
    AddLog(QStringLiteral("Connecting. Attempt #") + QString::number(DialAttempt));
    WriteSettingsRecord();
    startDial();
}

void TForm1::startDial() {
    // The full field texts: the settings file keeps only 30 characters of each.
    const larkspur::platform::DialRequest request{Edit1->text(), Edit2->text(), Edit3->text(),
                                                  Edit4->text()};
    larkspur::platform::Clock* clock = services_.clock;
    larkspur::platform::DialupService* dialup = services_.dialup;
    const auto report = [handover = dialHandover_, clock,
                         dialup](std::uint32_t message, std::int32_t state, std::uint32_t error) {
        dialReport(*handover, *clock, *dialup, message, state, error);
    };
    RasConnection = NoConnection;
    ConnectionHandle handle = NoConnection;
    const std::uint32_t result = dialup->dial(request, report, handle);
    RasConnection = handle;
    if (result != 0) {
        AddLog(QStringLiteral("Hardware failure."));
        dialup->hangUp(RasConnection);
    }
}

void TForm1::Button4Click(QObject*) {
    if (RasConnection == NoConnection)
        ListConnections();
    Timer2->stop();
    RedialArmed = false;
    try {
        HTTPGet1->Abort();
        if (const ConnectionHandle connection = RasConnection; connection != NoConnection)
            services_.dialup->hangUp(connection);
    } catch (...) {
        // Hanging up is best effort: whatever fails here changes nothing the user can act on.
    }
}
