// The names of the playback states and of the two engines.
#pragma once

namespace lumora {

// The two playback engines MediaFront holds.
enum class Engine { Flash, Player };

}  // namespace lumora
