// SPDX-License-Identifier: GPL-3.0-or-later
#include "desktop/DesktopLog.h"

namespace lumora {

Q_LOGGING_CATEGORY(lumoraDesktop, "lumora.desktop", QtWarningMsg)

}  // namespace lumora
