// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/OpenAddressWindow.h"

#include <QLineEdit>
#include <QPushButton>

namespace lumora {

OpenAddressWindow::OpenAddressWindow(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("打开地址窗口"));
    setWindowTitle(QString());
    setFixedSize(380, 73);

    addressEdit_ = new QLineEdit(this);
    addressEdit_->setObjectName(QStringLiteral("编辑框1"));
    addressEdit_->setGeometry(8, 8, 288, 32);
    // A hint inside the empty box; Esc or closing the window takes nothing.
    addressEdit_->setPlaceholderText(QStringLiteral("网络地址"));

    playButton_ = new QPushButton(QStringLiteral("播放"), this);
    playButton_->setObjectName(QStringLiteral("按钮1"));
    playButton_->setGeometry(312, 8, 56, 32);
    // Enter in the edit box plays.
    playButton_->setDefault(true);
}

}  // namespace lumora
