#include "widgets/memo.h"

#include <QEvent>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

namespace larkspur {

namespace {
const QString CrLf = QStringLiteral("\r\n");
constexpr int FramesPerChange = 5; // ten changes a second
} // namespace

Memo::Memo(QWidget* parent) : QPlainTextEdit(parent) {}

void Memo::batchLineChanges() {
    frame_ = std::make_unique<OncePerFrame>([this] { applyWaiting(); }, FramesPerChange);
}

void Memo::showWaiting() const {
    if (frame_)
        frame_->showNow();
}

void Memo::showAdded() const {
    if (!added_.isEmpty())
        showWaiting();
}

void Memo::applyWaiting() {
    if (removedAtTop_ > 0)
        removeLines(0, std::exchange(removedAtTop_, 0));
    if (added_.isEmpty())
        return;
    insertAtEnd(std::exchange(added_, {}).join(QLatin1Char('\n')));
}

int Memo::documentLineCount() const {
    const QTextDocument* doc = document();
    int count = doc->blockCount();
    if (doc->lastBlock().length() <= 1) // only the block's terminator: an empty last line
        --count;
    return count;
}

int Memo::lineCount() const {
    showAdded();
    return documentLineCount() - removedAtTop_;
}

QString Memo::line(int index) const {
    if (index < 0 || index >= lineCount())
        return {};
    return document()->findBlockByNumber(removedAtTop_ + index).text();
}

QStringList Memo::lines() const {
    showWaiting();
    QStringList result;
    const int count = lineCount();
    result.reserve(count);
    for (QTextBlock block = document()->begin(); block.isValid() && result.size() < count;
         block = block.next())
        result.append(block.text());
    return result;
}

int Memo::indexOfLine(const QString& text) const {
    const int count = lineCount();
    int index = 0;
    for (QTextBlock block = document()->findBlockByNumber(removedAtTop_);
         block.isValid() && index < count; block = block.next(), ++index)
        if (block.text() == text)
            return index;
    return -1;
}

void Memo::addLine(const QString& text) {
    QString plain = text;
    plain.replace(CrLf, QStringLiteral("\n"));
    if (frame_) {
        added_.append(plain);
        frame_->changed();
        return;
    }
    insertAtEnd(plain);
}

// A memo whose text ends in a line break gets the text and a break after it; one whose
// last line is unfinished gets a break and then the text. One insertion, however many
// lines the text holds: a long log must not slow each new line down.
void Memo::insertAtEnd(const QString& text) {
    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::End);
    if (document()->lastBlock().length() <= 1)
        cursor.insertText(text + QLatin1Char('\n'));
    else
        cursor.insertText(QLatin1Char('\n') + text);
    setTextCursor(cursor);
    ensureCursorVisible();
}

void Memo::deleteLine(int index) {
    if (index < 0 || index >= lineCount())
        return;
    if (frame_ && index == 0) {
        ++removedAtTop_;
        frame_->changed();
        return;
    }
    showWaiting();
    removeLines(index, 1);
}

void Memo::removeLines(int first, int count) {
    const QTextBlock last = document()->findBlockByNumber(first + count - 1);
    QTextCursor cursor(document()->findBlockByNumber(first));
    // In an edit block the cursor does not lay its line out to learn where it stands.
    cursor.beginEditBlock();
    if (last.next().isValid())
        cursor.setPosition(last.next().position(), QTextCursor::KeepAnchor);
    else
        cursor.setPosition(last.position() + last.length() - 1, QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
    cursor.endEditBlock();
}

// What the user does to the text must meet the lines the program already changed.
bool Memo::event(QEvent* e) {
    if (e->isInputEvent() || e->type() == QEvent::InputMethod)
        showWaiting();
    return QPlainTextEdit::event(e);
}

bool Memo::viewportEvent(QEvent* e) {
    if (e->isInputEvent() || e->type() == QEvent::Drop)
        showWaiting();
    return QPlainTextEdit::viewportEvent(e);
}

// From the raw text: the plain text turns no-break spaces into spaces, and the list is
// the user's data.
QString Memo::windowsText() const {
    showWaiting();
    QString text = document()->toRawText();
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    text.replace(QChar::LineSeparator, QLatin1Char('\n'));
    text.replace(QLatin1Char('\n'), CrLf);
    return text;
}

void Memo::setWindowsText(const QString& text) {
    added_.clear(); // the new text replaces what waits too
    removedAtTop_ = 0;
    QString plain = text;
    plain.replace(CrLf, QStringLiteral("\n"));
    setPlainText(plain);
}

} // namespace larkspur
