// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/LibraryLog.h"

namespace lumora {

Q_LOGGING_CATEGORY(lumoraLibrary, "lumora.library", QtWarningMsg)

}  // namespace lumora
