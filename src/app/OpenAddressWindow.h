// SPDX-License-Identifier: GPL-3.0-or-later
// The small window of the menu command "打开网络文件": one edit box for an
// address and a play button. It is created with the main window and shown
// modally when the command runs.
#pragma once

#include <QDialog>

class QLineEdit;
class QPushButton;

namespace lumora {

class OpenAddressWindow : public QDialog {
    Q_OBJECT
public:
    explicit OpenAddressWindow(QWidget* parent = nullptr);

    QLineEdit* AddressEdit() const { return addressEdit_; }  // 编辑框1
    QPushButton* PlayButton() const { return playButton_; }  // 按钮1

private:
    QLineEdit* addressEdit_ = nullptr;
    QPushButton* playButton_ = nullptr;
};

}  // namespace lumora
