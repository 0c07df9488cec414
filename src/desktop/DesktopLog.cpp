#include "desktop/DesktopLog.h"

namespace lumora {

Q_LOGGING_CATEGORY(lumoraDesktop, "lumora.desktop", QtWarningMsg)

}  // namespace lumora
