#include "platform/ControlHost.h"

#include <QPalette>
#include <QString>

namespace lumora {

ControlHost::ControlHost(QWidget* parent, int left, int top, int width, int height, const Text& windowText)
    : QWidget(parent), windowText_(windowText) {
    setObjectName(QStringLiteral("ControlHost"));
    const std::u16string utf16 = windowText.ToUtf16();
    setWindowTitle(QString::fromUtf16(utf16.data(), static_cast<qsizetype>(utf16.size())));

    // Black where no picture is drawn (before the first frame, around a
    // picture that keeps its own size).
    QPalette black = palette();
    black.setColor(QPalette::Window, Qt::black);
    setPalette(black);
    setAutoFillBackground(true);

    setGeometry(left, top, width, height);
    // A host is a child window; without a parent it would become a
    // top-level window, so it is then left hidden.
    if (parent) setVisible(true);

    // Last, so the control finds its host placed and shown.
    control_ = CreateHostedControl(windowText_, *this);
}

ControlHost::~ControlHost() {
    // The control goes first, while the widgets it placed inside still exist.
    control_.reset();
}

}  // namespace lumora
