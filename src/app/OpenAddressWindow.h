// SPDX-License-Identifier: GPL-3.0-or-later
// The small window of the menu command "打开网络文件": titled as the command,
// an edit box for an address with its label, a play button and a cancel
// button (which, like closing the window, takes no address). It is created
// with the main window and shown modally when the command runs.
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
    QPushButton* CancelButton() const { return cancelButton_; }

private:
    QLineEdit* addressEdit_ = nullptr;
    QPushButton* playButton_ = nullptr;
    QPushButton* cancelButton_ = nullptr;
};

}  // namespace lumora
