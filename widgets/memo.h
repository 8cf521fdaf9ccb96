#pragma once

#include <QPlainTextEdit>
#include <QStringList>
#include <memory>

#include "framework/once_per_frame.h"

namespace larkspur {

// A multi-line edit addressed by lines. A text that ends in a line break has no
// empty line after it: "a\r\nb\r\n" holds two lines, as does "a\r\nb". Code changes the
// text through these functions, not through the base class's, so that none is overtaken by
// a change that waits for its frame.
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
    // From now on, added lines and removed first lines reach the document ten times a
    // second, in one change each: a queue of small files logs lines and takes them off its
    // list far faster than anyone reads them, and each change lays out, scrolls and paints
    // the view. Every read and change of lines, and the user's input, sees them at once.
    void batchLineChanges();
    void deleteLine(int index);

    // The whole text with CR LF line breaks.
    QString windowsText() const;
    void setWindowsText(const QString& text);

protected:
    bool event(QEvent* e) override;
    bool viewportEvent(QEvent* e) override;

private:
    int documentLineCount() const;
    void insertAtEnd(const QString& text);
    void removeLines(int first, int count);
    // What waits, now: all of it, or only the added lines while no first line waits.
    void showWaiting() const;
    void showAdded() const;
    void applyWaiting();

    std::unique_ptr<OncePerFrame> frame_;
    QStringList added_;    // lines waiting for the next frame, CR LF already split
    int removedAtTop_ = 0; // first lines gone for every reader, still in the document
};

} // namespace larkspur
