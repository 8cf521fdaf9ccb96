#include "about/form2.h"

#include <QUrl>

#include "about/click.h"
#include "about/click_label.h"
#include "about/file_version.h"
#include "about/flame.h"
#include "about/name_image.h"
#include "about/version.h"
#include "platform/shell.h"

using larkspur::ClickLabel;

namespace {

constexpr QSize ClientSize(498, 237);
const QColor Aqua(0, 255, 255);

QFont verdana(int pixelSize, bool bold = false, bool underline = false) {
    QFont font(QStringLiteral("Verdana"));
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    font.setUnderline(underline);
    return font;
}

// A label that sizes itself to its text, with its top-left corner at the given point.
ClickLabel* label(QWidget* parent, const char* name, const QString& text, QPoint at,
                  const QFont& font, const QColor& colour) {
    auto* control = new ClickLabel(text, parent);
    control->setObjectName(QString::fromLatin1(name));
    control->setFont(font);
    QPalette palette = control->palette();
    palette.setColor(QPalette::WindowText, colour);
    control->setPalette(palette);
    control->move(at);
    control->adjustSize();
    return control;
}

} // namespace

TForm2::TForm2(QWidget* Owner, larkspur::platform::Shell& Shell, const QString& ProgramFile)
    : QDialog(Owner, Qt::Dialog | Qt::FramelessWindowHint), shell_(Shell) {
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("About..."));
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(ClientSize);
    // Black throughout whatever the desktop theme; each label sets its own colour.
    setPalette(QPalette(Qt::black, Qt::black));
    setAutoFillBackground(true);
    setFont(verdana(11));
    createFlame();
    createControls();
    Label8->setText(QStringLiteral("File version: ") + GetFileVersionString(ProgramFile));
    Label8->adjustSize();
}

void TForm2::createFlame() {
    Flame1 = new TFlame(this);
    Flame1->setObjectName(QStringLiteral("Flame1"));
    // Taller than the window by three rows, which are cut off.
    Flame1->setGeometry(0, 40, 321, 200);
    Flame1->SetFireColor(TFireColor::FireRed);
    Flame1->SetInterval(20);
    Flame1->SetBottomRange(0);
    Flame1->SolidFlame = false;
    Flame1->SetFadeOut(false);
    Flame1->SetEnabled(true);
    Flame1->SetImage(drawNameImage());
    Flame1->OnClick = [this](QObject* sender) { FormClick(sender); };
}

void TForm2::createControls() {
    const QColor white = Qt::white;
    Label1 = label(this, "Label1", QStringLiteral("version " LARKSPUR_VERSION " release"), {0, 8},
                   verdana(13, true), Aqua);
    Label1->setFixedSize(317, 17);
    Label1->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    Label1->OnClick = [this](QObject* sender) { FormClick(sender); };

    Label2 = label(this, "Label2", QStringLiteral("Made by:"), {328, 8}, verdana(13, true), white);
    Label3 =
        label(this, "Label3", QStringLiteral("The Larkspur team"), {328, 28}, verdana(13), white);
    Label4 = label(this, "Label4", QStringLiteral("http://larkspur.example/"), {328, 52},
                   verdana(13, false, true), Aqua);
    Label4->setCursor(Qt::PointingHandCursor);
    Label4->OnClick = [this](QObject* sender) { Label4Click(sender); };

    Label5 =
        label(this, "Label5", QStringLiteral("Beta testers:"), {328, 80}, verdana(13, true), white);
    Label6 =
        label(this, "Label6", QStringLiteral("1. The night owls"), {328, 100}, verdana(13), white);
    Label7 =
        label(this, "Label7", QStringLiteral("2. Early risers"), {328, 120}, verdana(13), white);
    Label8 = label(this, "Label8", QStringLiteral("----"), {328, 220}, verdana(11), white);
}

void TForm2::FormClick(QObject*) {
    close();
}

void TForm2::Label4Click(QObject* Sender) {
    const auto* clicked = qobject_cast<const QLabel*>(Sender);
    if (clicked == nullptr)
        return;
    const QString text = clicked->text();
    const bool isWebAddress = text.startsWith(QStringLiteral("http"), Qt::CaseSensitive);
    shell_.open(QUrl(isWebAddress ? text : QStringLiteral("mailto:") + text));
}

void TForm2::showEvent(QShowEvent* event) {
    if (const QWidget* owner = parentWidget()) {
        const QRect area = owner->window()->frameGeometry();
        move(area.x() + (area.width() - width()) / 2, area.y() + (area.height() - height()) / 2);
    }
    QDialog::showEvent(event);
}

void TForm2::mousePressEvent(QMouseEvent* event) {
    larkspur::takeClickPress(event);
}

void TForm2::mouseReleaseEvent(QMouseEvent* event) {
    larkspur::raiseClickOnRelease(this, event, [this](QObject* sender) { FormClick(sender); });
}
