// SPDX-License-Identifier: MIT
// The About box: product name, version, a neutral company line and rights
// line, the icon and OK. One object lives as long as the main window and is
// shown again each time; every showing fills in the version afresh.
#pragma once

#include <QDialog>

class QLabel;

namespace quillfen::qt {

class AboutBox : public QDialog {
    Q_OBJECT
public:
    explicit AboutBox(QWidget* owner);

    // The dialog's initialisation, run before every showing.
    void Prepare();

    QString VersionText() const;

private:
    QLabel* version_ = nullptr;
};

}  // namespace quillfen::qt
