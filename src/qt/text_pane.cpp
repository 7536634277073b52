// SPDX-License-Identifier: MIT
#include "qt/text_pane.h"

#include <QFontDatabase>
#include <QKeyEvent>
#include <QScrollBar>
#include <QTextCursor>

namespace quillfen::qt {

TextPane::TextPane(int id, QWidget* parent) : QPlainTextEdit(parent) {
    setObjectName(QString::number(id));
    setProperty("controlId", id);
    setReadOnly(true);
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    setUndoRedoEnabled(false);
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setTabChangesFocus(true);
    setFrameShape(QFrame::Box);
    setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
}

void TextPane::Append(std::string_view bytes) {
    receivedBytes_ += static_cast<qint64>(bytes.size());
    // The document turns CR LF into one line break; a pair split across two
    // entries must not become two.
    if (endsWithCr_ && !bytes.empty() && bytes.front() == '\n') bytes.remove_prefix(1);
    if (bytes.empty()) return;
    endsWithCr_ = bytes.back() == '\r';

    // A reader who scrolled up keeps their place; a view at the bottom
    // follows the log as it grows.
    QScrollBar* vertical = verticalScrollBar();
    QScrollBar* horizontal = horizontalScrollBar();
    const bool following = scrollPending_ || vertical->value() >= vertical->maximum();
    const int keptTop = vertical->value();
    const int keptLeft = horizontal->value();

    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size())));

    // A caret already at the end moves along with the text; any other caret
    // or selection is replaced by one at the end.
    const QTextCursor caret = textCursor();
    if (caret.hasSelection() || !caret.atEnd()) setTextCursor(cursor);
    if (!following) {
        vertical->setValue(keptTop);
        horizontal->setValue(keptLeft);
        return;
    }
    // Bringing the end into view is left to the next turn of the event
    // loop, once for however many entries arrived meanwhile.
    if (scrollPending_) return;
    scrollPending_ = true;
    QMetaObject::invokeMethod(this, [this] {
        scrollPending_ = false;
        ensureCursorVisible();
    }, Qt::QueuedConnection);
}

void TextPane::keyPressEvent(QKeyEvent* event) {
    // A pane takes Enter for itself, as a multi-line edit does; otherwise the
    // dialog would start the default action from inside the log.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->accept();
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

}  // namespace quillfen::qt
