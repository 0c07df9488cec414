// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/OpenAddressWindow.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace lumora {

OpenAddressWindow::OpenAddressWindow(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("打开地址窗口"));
    // Named after the command that opens it.
    setWindowTitle(QStringLiteral("打开网络文件"));

    auto* label = new QLabel(QStringLiteral("网络地址："), this);
    label->setObjectName(QStringLiteral("地址标签"));

    addressEdit_ = new QLineEdit(this);
    addressEdit_->setObjectName(QStringLiteral("编辑框1"));
    addressEdit_->setMinimumWidth(288);
    label->setBuddy(addressEdit_);

    playButton_ = new QPushButton(QStringLiteral("播放"), this);
    playButton_->setObjectName(QStringLiteral("按钮1"));
    // Enter in the edit box plays.
    playButton_->setDefault(true);

    cancelButton_ = new QPushButton(QStringLiteral("取消"), this);
    cancelButton_->setObjectName(QStringLiteral("取消按钮"));
    connect(cancelButton_, &QPushButton::clicked, this, &QDialog::reject);

    auto* row = new QHBoxLayout;
    row->addWidget(label);
    row->addWidget(addressEdit_, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(playButton_);
    buttons->addWidget(cancelButton_);
    auto* column = new QVBoxLayout(this);
    column->addLayout(row);
    column->addLayout(buttons);
    // As wide as the user likes, as high as its units need.
    column->setSizeConstraint(QLayout::SetMinimumSize);
    setMinimumWidth(380);
    resize(420, sizeHint().height());
}

}  // namespace lumora
