// Stand-in factory for builds of the platform layer without the player
// controls: no window text names a control.
#include "platform/ControlHost.h"

namespace lumora {

AutomationRef CreateHostedControl(const Text&, ControlHost&) { return nullptr; }

}  // namespace lumora
