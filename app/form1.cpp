// Construction, wiring of the handlers, window events, the closing sequence and the
// shared routines.
#include "app/form1.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QTimer>

#include "app/fade.h"
#include "framework/guard.h"
#include "httpget/http_get.h"
#include "widgets/memo.h"

using larkspur::connectGuarded;

TForm1::TForm1(const larkspur::platform::Services& services, QWidget* parent)
    : QWidget(parent), job_(std::make_unique<larkspur::engine::NightJob>(services, *this)),
      services_(services) {
    setObjectName(QStringLiteral("Form1"));
    createControls();
    setWindowOpacity(0.0); // invisible until the fade-in
    connectHandlers();
    Edit5Change(nullptr); // the window the fields show from the start, not 00:00 to 00:00
    larkspur::guarded([this] { FormCreate(this); });
}

TForm1::~TForm1() = default;

void TForm1::connectHandlers() {
    const auto onClick = [this](QPushButton* control, void (TForm1::*handler)(QObject*)) {
        connectGuarded(control, &QPushButton::clicked, this,
                       [this, control, handler] { (this->*handler)(control); });
    };
    onClick(Button1, &TForm1::Button1Click);
    onClick(Button2, &TForm1::Button2Click);
    onClick(Button3, &TForm1::Button3Click);
    onClick(Button4, &TForm1::Button4Click);
    onClick(Button5, &TForm1::Button5Click);
    onClick(Button6, &TForm1::Button6Click);
    onClick(Button7, &TForm1::Button7Click);
    onClick(Button8, &TForm1::Button8Click);
    onClick(Button9, &TForm1::Button9Click);
    onClick(Button10, &TForm1::Button10Click);

    // A check box's click follows its state, so setting it from code fires it too.
    const auto onToggle = [this](QCheckBox* control, void (TForm1::*handler)(QObject*)) {
        connectGuarded(control, &QCheckBox::toggled, this,
                       [this, control, handler] { (this->*handler)(control); });
    };
    onToggle(Anytime, &TForm1::AnytimeClick);
    onToggle(CheckBox2, &TForm1::CheckBox2Click);
    onToggle(CheckBox3, &TForm1::CheckBox3Click);

    for (QLineEdit* field : {Edit5, Edit6, Edit7, Edit8})
        connectGuarded(field, &QLineEdit::textChanged, this, [this, field] { Edit5Change(field); });
}

bool TForm1::event(QEvent* e) {
    const bool handled = QWidget::event(e);
    if (e->type() == QEvent::WindowActivate)
        larkspur::guarded([this] { FormShow(this); });
    // Where no activation comes (no window manager, focus-stealing prevention) the
    // window would stay transparent: being shown fades it in as well, once it is up.
    if (e->type() == QEvent::Show)
        QTimer::singleShot(0, this, [this] {
            if (windowOpacity() == 0.0)
                larkspur::guarded([this] { FormShow(this); });
        });
    return handled;
}

void TForm1::closeEvent(QCloseEvent* e) {
    if (closing_) {
        e->ignore(); // the sequence under way closes the window
        return;
    }
    const QScopedValueRollback running(closing_, true);
    bool closing = false;
    larkspur::guarded([&] {
        FormClose(this);
        closing = true;
    });
    e->setAccepted(closing); // an error in the closing sequence keeps the window open
}

void TForm1::setAlpha(int alpha) {
    setWindowOpacity(alpha / 255.0);
}

FadeSteps TForm1::fadeSteps() {
    return {*services_.clock, [this](int alpha) { setAlpha(alpha); },
            [] { QCoreApplication::processEvents(); }};
}

void TForm1::FormShow(QObject*) {
    fades_.fadeIn(FadeAlpha, fadeSteps());
}

void TForm1::FadeOut() {
    fades_.fadeOut(FadeAlpha, fadeSteps());
}

void TForm1::AddLog(const QString& text) {
    Memo2->addLine(text);
}

void TForm1::_enable(bool enabled) {
    for (QWidget* control : std::initializer_list<QWidget*>{Edit5, Edit6, Edit7, Edit8, Label5,
                                                            Label6, Label7, Label8})
        control->setEnabled(enabled);
}

void TForm1::AnytimeClick(QObject*) {
    _enable(!Anytime->isChecked());
}

void TForm1::CheckBox2Click(QObject*) {
    TurnOffWhenDone = CheckBox2->isChecked();
}

void TForm1::CheckBox3Click(QObject*) {
    DisconnectWhenDone = CheckBox3->isChecked();
}

void TForm1::Button9Click(QObject*) {
    close();
}

void TForm1::FormClose(QObject*) {
    HTTPGet1->Abort();
    Button2Click(Button2);
    Button8Click(Button8);
    FadeOut();
}
