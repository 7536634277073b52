// SPDX-License-Identifier: MIT
// A read-only text pane, the log or the help: fixed-pitch font, no wrapping,
// both scroll bars, selectable by mouse and keyboard, no undo history.
// Text arrives as single bytes and each byte is one character (Latin-1), so
// nothing the modem sends can be lost or merged in the pane.
#pragma once

#include <QPlainTextEdit>
#include <string_view>

namespace quillfen::qt {

class TextPane : public QPlainTextEdit {
    Q_OBJECT
public:
    TextPane(int id, QWidget* parent);

    // Appends the bytes and leaves the caret after them, replacing whatever
    // the user had selected. The view follows only while it is at the bottom.
    void Append(std::string_view bytes);

    // Bytes received so far, counting a CR LF pair as two.
    qint64 ReceivedBytes() const { return receivedBytes_; }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    qint64 receivedBytes_ = 0;
    bool endsWithCr_ = false;
    bool scrollPending_ = false;
};

}  // namespace quillfen::qt
