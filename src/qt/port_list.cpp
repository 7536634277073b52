// SPDX-License-Identifier: MIT
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
    connect(this, &QComboBox::currentIndexChanged, this,
            [this](int index) { setToolTip(index < 0 ? QString() : itemData(index, Qt::ToolTipRole).toString()); });
}

void PortList::DescribePorts(const QStringList& devices) {
    for (int i = 0; i < count() && i < devices.size(); ++i) setItemData(i, devices[i], Qt::ToolTipRole);
    setToolTip(currentIndex() < 0 ? QString() : itemData(currentIndex(), Qt::ToolTipRole).toString());
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
