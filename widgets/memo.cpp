#include "widgets/memo.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

namespace larkspur {

namespace {
const QString CrLf = QStringLiteral("\r\n");
}

Memo::Memo(QWidget* parent) : QPlainTextEdit(parent) {}

void Memo::addLinesOncePerFrame() {
    addedFrame_ = std::make_unique<OncePerFrame>([this] { insertAdded(); });
}

void Memo::showAdded() const {
    if (addedFrame_)
        addedFrame_->showNow();
}

void Memo::insertAdded() {
    if (added_.isEmpty())
        return;
    insertAtEnd(std::exchange(added_, {}).join(QLatin1Char('\n')));
    ensureCursorVisible();
}

int Memo::lineCount() const {
    showAdded();
    const QTextDocument* doc = document();
    int count = doc->blockCount();
    if (doc->lastBlock().length() <= 1) // only the block's terminator: an empty last line
        --count;
    return count;
}

QString Memo::line(int index) const {
    showAdded();
    if (index < 0 || index >= lineCount())
        return {};
    return document()->findBlockByNumber(index).text();
}

QStringList Memo::lines() const {
    showAdded();
    QStringList result;
    const int count = lineCount();
    result.reserve(count);
    for (QTextBlock block = document()->begin(); block.isValid() && result.size() < count;
         block = block.next())
        result.append(block.text());
    return result;
}

int Memo::indexOfLine(const QString& text) const {
    showAdded();
    const int count = lineCount();
    int index = 0;
    for (QTextBlock block = document()->begin(); block.isValid() && index < count;
         block = block.next(), ++index)
        if (block.text() == text)
            return index;
    return -1;
}

void Memo::addLine(const QString& text) {
    QString plain = text;
    plain.replace(CrLf, QStringLiteral("\n"));
    if (addedFrame_) {
        added_.append(plain);
        addedFrame_->changed();
        return;
    }
    insertAtEnd(plain);
    ensureCursorVisible();
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
}

void Memo::deleteLine(int index) {
    showAdded();
    if (index < 0 || index >= lineCount())
        return;
    const QTextBlock block = document()->findBlockByNumber(index);
    QTextCursor cursor(block);
    // In an edit block the cursor does not lay its line out to learn where it stands.
    cursor.beginEditBlock();
    if (block.next().isValid())
        cursor.setPosition(block.next().position(), QTextCursor::KeepAnchor);
    else
        cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
    cursor.endEditBlock();
}

// From the raw text: the plain text turns no-break spaces into spaces, and the list is
// the user's data.
QString Memo::windowsText() const {
    showAdded();
    QString text = document()->toRawText();
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    text.replace(QChar::LineSeparator, QLatin1Char('\n'));
    text.replace(QLatin1Char('\n'), CrLf);
    return text;
}

void Memo::setWindowsText(const QString& text) {
    added_.clear(); // the new text replaces what waits too
    QString plain = text;
    plain.replace(CrLf, QStringLiteral("\n"));
    setPlainText(plain);
}

} // namespace larkspur
