// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ProgramIdentity.h"

#include <QApplication>
#include <QIcon>

namespace lumora {

void SetProgramIdentity() {
    QGuiApplication::setDesktopFileName(QString::fromLatin1(kDesktopEntryName));
    QIcon icon;
    for (const char* size : {"16", "32", "48", "128", "256"})
        icon.addFile(QStringLiteral(":/lumora/icons/%1.png").arg(QLatin1String(size)));
    QApplication::setWindowIcon(icon);
}

}  // namespace lumora
