// The port list (COM1 to COM256). Besides a change of selection it reports
// when its list is dropped down and when it loses the focus: each of the
// three closes the open port, so the list never disagrees with it.
#pragma once

#include <QComboBox>

namespace quillfen::qt {

class PortList : public QComboBox {
    Q_OBJECT
public:
    PortList(int id, QWidget* parent);

    // Empties the list and adds COM1 to COM256 in numeric order, with nothing
    // selected.
    void FillPorts(int count);

    void showPopup() override;

signals:
    void DroppedDown();
    void LostFocus();

protected:
    void focusOutEvent(QFocusEvent* event) override;
};

}  // namespace quillfen::qt
