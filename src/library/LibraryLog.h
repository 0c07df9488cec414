// SPDX-License-Identifier: GPL-3.0-or-later
// The log category of the library: why the database was set aside or is
// read-only this run.
#pragma once

#include <QLoggingCategory>

namespace lumora {

Q_DECLARE_LOGGING_CATEGORY(lumoraLibrary)

}  // namespace lumora
