// The four schedule fields feed the daily window of the job.
#include "app/form1.h"

#include <QLineEdit>

namespace {

// Empty or non-numeric text reads as 0; only the low 8 bits are kept.
std::uint8_t lowByteOf(const QLineEdit* field) {
    bool ok = false;
    const int value = field->text().toInt(&ok, 10);
    return static_cast<std::uint8_t>(ok ? value : 0);
}

} // namespace

void TForm1::Edit5Change(QObject*) {
    StartHour = lowByteOf(Edit5);
    StartMinute = lowByteOf(Edit6);
    EndHour = lowByteOf(Edit7);
    EndMinute = lowByteOf(Edit8);
}
