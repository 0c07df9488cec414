// SPDX-License-Identifier: GPL-3.0-or-later
// The log category of the desktop's services (media controls, keeping the
// screen on): debug detail only.
#pragma once

#include <QLoggingCategory>

namespace lumora {

Q_DECLARE_LOGGING_CATEGORY(lumoraDesktop)

}  // namespace lumora
