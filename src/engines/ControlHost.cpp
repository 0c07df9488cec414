// SPDX-License-Identifier: GPL-3.0-or-later
#include "engines/ControlHost.h"

#include <QString>

namespace lumora {

ControlHost::ControlHost(QWidget* parent, int left, int top, int width, int height, const Text& windowText)
    : VideoHost(parent, left, top, width, height), windowText_(windowText) {
    setObjectName(QStringLiteral("ControlHost"));
    const std::u16string utf16 = windowText.ToUtf16();
    setWindowTitle(QString::fromUtf16(utf16.data(), static_cast<qsizetype>(utf16.size())));
    // Last, so the control finds its host placed and shown.
    control_ = CreateHostedControl(windowText_, *this);
}

ControlHost::~ControlHost() {
    // The control goes first, while the widgets it placed inside still exist.
    control_.reset();
}

}  // namespace lumora
