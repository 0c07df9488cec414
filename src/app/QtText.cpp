// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/QtText.h"

#include <QStringView>

namespace lumora {

QString ToQString(const Text& text) { return QString::fromStdU16String(text.ToUtf16()); }

Text FromQString(const QString& text) {
    const QStringView view(text);
    return Text::FromUtf16(std::u16string_view(view.utf16(), static_cast<std::size_t>(view.size())));
}

}  // namespace lumora
