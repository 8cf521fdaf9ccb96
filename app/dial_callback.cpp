// The dial progress callback: runs on the dial-up service's thread, so it sleeps there
// and hands every change of the window over to the GUI thread.
#include "app/form1.h"

#include <QTimer>

#include "app/dial_handover.h"
#include "job/dial_texts.h"
#include "platform/clock.h"
#include "platform/dialup_service.h"

void TForm1::dialReport(DialHandover& handover, larkspur::platform::Clock& clock,
                        larkspur::platform::DialupService& dialup, std::uint32_t message,
                        std::int32_t state, std::uint32_t error) {
    clock.sleep(300);
    if (message != larkspur::platform::DialEventMessage)
        return;
    const larkspur::job::DialStateStep step = larkspur::job::dialStateStep(state);
    if (step.pauseMs != 0)
        clock.sleep(step.pauseMs);
    if (step.startsDownload)
        handover.post([](TForm1& form) { form.Timer5->start(); });
    if (error == 0) {
        if (!step.text.isEmpty())
            handover.post([text = step.text](TForm1& form) { form.AddLog(text); });
        return;
    }
    dialup.hangUp(handover.connection());
    const QString text = larkspur::job::dialErrorText(error);
    clock.sleep(2000);
    handover.post([text](TForm1& form) { form.AddLog(text); });
    // Decided when the change is applied: a Stop handled after this report was made
    // must not start the redial cycle again.
    handover.post([](TForm1& form) {
        if (!form.RedialArmed) {
            form.Timer2->stop();
            return;
        }
        form.Timer2->start();
        form.setStatus(QStringLiteral("delay before redial"));
    });
}
