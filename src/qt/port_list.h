// SPDX-License-Identifier: MIT
// The port list (COM1 to COM256). Besides a change of selection it reports
// when its list is dropped down and when it loses the focus: each of the
// three closes the open port, so the list never disagrees with it. A
// tooltip names the device behind the chosen COM number.
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
    // Which device stands behind each COM number, one text per item in
    // order: the item's tooltip, and the list's own while it is chosen. The
    // items' "COM%i" texts stay as they are.
    void DescribePorts(const QStringList& devices);

    void showPopup() override;

signals:
    void DroppedDown();
    void LostFocus();

protected:
    void focusOutEvent(QFocusEvent* event) override;
};

}  // namespace quillfen::qt
