// The window and its controls, as the designer placed them.
#include "app/form1.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QProxyStyle>
#include <QPushButton>
#include <QValidator>

#include "about/version.h"
#include "app/download_folder.h"
#include "app/fitted_label.h"
#include "widgets/memo.h"

namespace {

constexpr int ClientWidth = 570;
constexpr int ClientHeight = 418;
const QColor Cream(255, 251, 240);
const QColor ButtonFace(240, 240, 240);
const QColor Selection(48, 140, 198);

QFont fontOf(const char* family, int pixelSize, bool bold = false) {
    QFont font(QString::fromLatin1(family));
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    return font;
}

template <typename Control>
Control* place(Control* control, const char* name, QRect geometry, const char* hint = nullptr) {
    control->setObjectName(QString::fromLatin1(name));
    control->setGeometry(geometry);
    if (hint)
        control->setToolTip(QString::fromLatin1(hint));
    return control;
}

QLabel* label(QWidget* parent, const char* name, const char* caption, QRect geometry) {
    return place(new QLabel(QString::fromLatin1(caption), parent), name, geometry);
}

// A label sized to its text, whatever text it is given later.
FittedLabel* fittedLabel(QWidget* parent, const char* name, const char* caption, QRect geometry) {
    FittedLabel* fitted =
        place(new FittedLabel(QString::fromLatin1(caption), parent), name, geometry);
    fitted->setFixedSize(geometry.size());
    return fitted;
}

QPushButton* button(QWidget* parent, const char* name, const char* caption, QRect geometry,
                    const char* hint = nullptr) {
    return place(new QPushButton(QString::fromLatin1(caption), parent), name, geometry, hint);
}

QLineEdit* edit(QWidget* parent, const char* name, const char* text, QRect geometry,
                const char* hint = nullptr) {
    return place(new QLineEdit(QString::fromLatin1(text), parent), name, geometry, hint);
}

QCheckBox* checkBox(QWidget* parent, const char* name, const char* caption, QRect geometry) {
    return place(new QCheckBox(QString::fromLatin1(caption), parent), name, geometry);
}

larkspur::Memo* memo(QWidget* parent, const char* name, QRect geometry, const char* hint) {
    auto* control = place(new larkspur::Memo(parent), name, geometry, hint);
    control->setLineWrapMode(QPlainTextEdit::NoWrap);
    control->setTabChangesFocus(true); // Tab moves on: a tab in a URL would break it
    return control;
}

// What a screen reader calls a field: its label's caption without the colon, and a word
// that tells apart the fields one label stands for ("From" hour and minute).
void nameAfter(QWidget* control, const QLabel* caption, const char* which = nullptr) {
    QString name = caption->text().trimmed();
    if (name.endsWith(QLatin1Char(':')))
        name.chop(1);
    name[0] = name[0].toUpper();
    if (which)
        name += QLatin1Char(' ') + QLatin1String(which);
    control->setAccessibleName(name);
}

// Limits what the user types, like an edit's character limit, while text set from
// code (a stored 123 shows as "123") is kept whole; QLineEdit::maxLength would cut it.
// Text set from code also counts as valid, for the line edit undoes an edit that makes
// its text invalid only when the text was valid before: typing into "123" must be
// refused as well.
class TypingLimit : public QValidator {
public:
    TypingLimit(int limit, QLineEdit* edit) : QValidator(edit), limit_(limit), edit_(edit) {}
    State validate(QString& input, int&) const override {
        const bool typed = edit_->isModified(); // setText() clears it, typing sets it
        return input.size() <= limit_ || !typed ? Acceptable : Invalid;
    }

private:
    int limit_;
    QLineEdit* edit_;
};

// The four schedule fields: two characters in a fixed-pitch font.
QLineEdit* timeEdit(QWidget* parent, const char* name, const char* text, QRect geometry,
                    const char* hint) {
    QLineEdit* control = edit(parent, name, text, geometry, hint);
    control->setValidator(new TypingLimit(2, control));
    control->setFont(fontOf("Courier New", 13));
    return control;
}

// "#" as the password mask. A style sheet could say so too, but a widget with one takes
// its colours from the desktop theme instead of from the window.
class HashMask : public QProxyStyle {
public:
    explicit HashMask(QObject* owner) : QProxyStyle(QApplication::style()->name()) {
        setParent(owner);
    }
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returned) const override {
        if (hint == SH_LineEdit_PasswordCharacter)
            return '#';
        return QProxyStyle::styleHint(hint, option, widget, returned);
    }
};

QLabel* colon(QWidget* parent, const char* name, QRect geometry) {
    QLabel* control = label(parent, name, ":", geometry);
    control->setFont(fontOf("MS Sans Serif", 11, true));
    return control;
}

// Every field, the lists and the progress bar, for screen readers; the log can be read
// and copied with the keyboard too.
void nameControls(TForm1& form) {
    nameAfter(form.Memo1, form.Label11);
    form.Memo2->setAccessibleName(form.Memo2->toolTip());
    form.Memo2->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    nameAfter(form.Edit1, form.Label1);
    nameAfter(form.Edit2, form.Label2);
    nameAfter(form.Edit3, form.Label3);
    nameAfter(form.Edit4, form.Label4);
    nameAfter(form.Edit5, form.Label5, "hour");
    nameAfter(form.Edit6, form.Label5, "minute");
    nameAfter(form.Edit7, form.Label6, "hour");
    nameAfter(form.Edit8, form.Label6, "minute");
    nameAfter(form.ProgressBar1, form.Label12);
    nameAfter(form.Edit9, form.Label18);
}

} // namespace

void TForm1::createControls() {
    setWindowTitle(QStringLiteral("Larkspur v" LARKSPUR_VERSION));
    setFixedSize(ClientWidth, ClientHeight);
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    // A whole light palette, not only the background: text, fields and buttons taken from
    // a dark desktop theme would be light on cream.
    QPalette light(ButtonFace, Cream);
    light.setColor(QPalette::Highlight, Selection);
    setPalette(light);
    setAutoFillBackground(true);
    setFont(fontOf("Verdana", 11));

    Label11 = label(this, "Label11", "Files to download: ", {8, 0, 107, 13});
    Memo1 = memo(this, "Memo1", {8, 16, 553, 129}, "List of files which must be downloaded");
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Memo1->batchLineChanges();
    Button7 = button(this, "Button7", "Begin", {8, 148, 75, 25}, "Start the operation");
    Button8 = button(this, "Button8", "Stop", {84, 148, 75, 25}, "Stop waiting/downloading");
    Button3 = button(this, "Button3", "Dial", {168, 148, 75, 25}, "Dial to internet");
    Button4 = button(this, "Button4", "Disconnect", {244, 148, 75, 25}, "Disconnect from internet");
    Button6 = button(this, "Button6", "Open folder", {328, 148, 75, 25},
                     "Open folder with downloaded files");
    Button2 = button(this, "Button2", "Save", {408, 148, 75, 25}, "Save settings");
    Button1 = button(this, "Button1", "About...", {488, 148, 73, 25}, "About this program");

    Label1 = label(this, "Label1", "Connection:", {12, 188, 69, 13});
    Edit1 = edit(this, "Edit1", "", {83, 184, 117, 21}, "Name of existing dial-up connection");
    Label2 = label(this, "Label2", "User:", {12, 216, 31, 13});
    Edit2 = edit(this, "Edit2", "", {83, 212, 117, 21}, "Username");
    Label3 = label(this, "Label3", "Password:", {12, 244, 59, 13});
    Edit3 = edit(this, "Edit3", "", {83, 240, 117, 21}, "Password");
    Edit3->setEchoMode(QLineEdit::Password);
    Edit3->setStyle(new HashMask(Edit3));
    Label4 = label(this, "Label4", "Phone:", {12, 272, 40, 13});
    Edit4 = edit(this, "Edit4", "", {83, 268, 117, 21}, "Phone number");

    Memo2 = memo(this, "Memo2", {208, 184, 353, 105}, "Log");
    Memo2->setReadOnly(true);
    Memo2->batchLineChanges();
    Memo2->setUndoRedoEnabled(false); // a night's log would keep every line twice
    Memo2->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo2->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

    Label5 = label(this, "Label5", "From:", {12, 300, 34, 13});
    Edit5 = timeEdit(this, "Edit5", "02", {48, 296, 21, 22}, "Start hour");
    Label7 = colon(this, "Label7", {71, 300, 5, 13});
    Edit6 = timeEdit(this, "Edit6", "00", {76, 296, 21, 22}, "Start minute");
    Label6 = label(this, "Label6", "to", {104, 300, 11, 13});
    Edit7 = timeEdit(this, "Edit7", "09", {120, 296, 21, 22}, "End hour");
    Label8 = colon(this, "Label8", {143, 300, 5, 13});
    Edit8 = timeEdit(this, "Edit8", "00", {148, 296, 21, 22}, "End minute");
    Anytime = checkBox(this, "Anytime", "Anytime", {176, 298, 73, 17});
    Label9 = label(this, "Label9", "Status:", {288, 300, 48, 16});
    Label9->setFont(fontOf("MS Sans Serif", 13, true));
    Label10 = fittedLabel(this, "Label10", "idle", {340, 300, 22, 16});
    Label10->setFont(fontOf("MS Sans Serif", 13));

    Label12 = label(this, "Label12", "Progress:", {12, 328, 55, 13});
    ProgressBar1 = place(new QProgressBar(this), "ProgressBar1", {68, 328, 497, 17});
    ProgressBar1->setRange(0, 200);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(false); // a smooth bar without a percentage
    Label13 = label(this, "Label13", "Readed:", {12, 352, 48, 13});
    Label15 = fittedLabel(this, "Label15", "n/a", {64, 352, 19, 13});
    Label14 = label(this, "Label14", "Speed:", {428, 352, 41, 13});
    Label16 = fittedLabel(this, "Label16", "n/a", {472, 352, 19, 13});

    Label17 = label(this, "Label17", "When ready:", {12, 374, 74, 13});
    CheckBox2 = checkBox(this, "CheckBox2", "Turn off computer", {96, 373, 133, 17});
    CheckBox3 = checkBox(this, "CheckBox3", "Disconnect from internet *", {236, 373, 177, 17});
    Label18 = label(this, "Label18", "Dir:", {12, 396, 22, 13});
    Edit9 = edit(this, "Edit9", "", {48, 392, 197, 21});
    Edit9->setText(defaultDownloadDir());
    Button10 = button(this, "Button10", "Change", {248, 392, 75, 21});
    Button5 = button(this, "Button5", "Browse...", {328, 392, 75, 21});
    Button9 = button(this, "Button9", "Exit", {492, 392, 75, 21}, "Exit");
    nameControls(*this);
}
