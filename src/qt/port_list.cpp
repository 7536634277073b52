#include "qt/port_list.h"

#include <QSignalBlocker>

namespace quillfen::qt {

PortList::PortList(int id, QWidget* parent) : QComboBox(parent) {
    setObjectName(QString::number(id));
    setProperty("controlId", id);
    setEditable(false);
    setInsertPolicy(QComboBox::NoInsert);
    // A short list that scrolls, not a menu the height of the screen.
    setStyleSheet(QStringLiteral("QComboBox { combobox-popup: 0; }"));
    setMaxVisibleItems(8);
}

void PortList::FillPorts(int count) {
    // Filling is not the user's choice; it must not count as a change.
    const QSignalBlocker quiet(this);
    clear();
    QStringList names;
    names.reserve(count);
    for (int i = 1; i <= count; ++i) names << QStringLiteral("COM%1").arg(i);
    addItems(names);
    setCurrentIndex(-1);
}

void PortList::showPopup() {
    emit DroppedDown();
    QComboBox::showPopup();
}

void PortList::focusOutEvent(QFocusEvent* event) {
    QComboBox::focusOutEvent(event);
    emit LostFocus();
}

}  // namespace quillfen::qt
