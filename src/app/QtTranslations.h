// SPDX-License-Identifier: GPL-3.0-or-later
// Qt's own texts (the file dialog's labels, the standard buttons) in
// Chinese, like every other text of the window.
#pragma once

namespace lumora {

// Loads Qt's zh_CN catalogue from Qt's translations folder into the
// application; false when it is not installed (Qt's English texts stay).
bool LoadChineseQtTexts();

}  // namespace lumora
