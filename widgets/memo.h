#pragma once

#include <QPlainTextEdit>
#include <QStringList>
#include <memory>

#include "framework/once_per_frame.h"

namespace larkspur {

// A multi-line edit addressed by lines. A text that ends in a line break has no
// empty line after it: "a\r\nb\r\n" holds two lines, as does "a\r\nb".
class Memo : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit Memo(QWidget* parent = nullptr);

    int lineCount() const;
    QString line(int index) const;
    QStringList lines() const;
    // The first line equal to `text`, or -1.
    int indexOfLine(const QString& text) const;

    // Appends `text` as a new line; each CR LF inside it starts a further line.
    void addLine(const QString& text);
    // From now on, added lines reach the document once a frame, in one insertion: a queue
    // of small files logs lines far faster than anyone reads them, and each insertion lays
    // out and scrolls the view. Every read and change of lines sees them at once.
    void addLinesOncePerFrame();
    void deleteLine(int index);

    // The whole text with CR LF line breaks.
    QString windowsText() const;
    void setWindowsText(const QString& text);

private:
    void insertAtEnd(const QString& text);
    void showAdded() const;
    void insertAdded();

    std::unique_ptr<OncePerFrame> addedFrame_;
    QStringList added_; // lines waiting for the next frame, CR LF already split
};

} // namespace larkspur
