#pragma once

#include <QCoreApplication>
#include <QDialog>

class TFlame;

namespace larkspur {
class ClickLabel;
namespace platform {
class Shell;
}
} // namespace larkspur

// The about box: a borderless black window with the fire burning behind the program's
// name, the version, the credits and a link. A click on the fire, the version line or the
// background closes it, and closing frees it.
class TForm2 : public QDialog {
    Q_OBJECT
public:
    // ProgramFile is the file whose version block the box shows.
    TForm2(QWidget* Owner, larkspur::platform::Shell& Shell,
           const QString& ProgramFile = QCoreApplication::applicationFilePath());

    TFlame* Flame1;
    larkspur::ClickLabel* Label1;
    larkspur::ClickLabel* Label2;
    larkspur::ClickLabel* Label3;
    larkspur::ClickLabel* Label4;
    larkspur::ClickLabel* Label5;
    larkspur::ClickLabel* Label6;
    larkspur::ClickLabel* Label7;
    larkspur::ClickLabel* Label8;

    void FormClick(QObject* Sender);
    // Opens the clicked label's text: as it is when it begins with "http", else as a mail address.
    void Label4Click(QObject* Sender);

protected:
    void showEvent(QShowEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void createControls();
    void createFlame();

    larkspur::platform::Shell& shell_;
};
