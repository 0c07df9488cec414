// Reads the font configuration on a worker while Qt connects to the
// display, so that the window's first text finds it loaded.
#pragma once

#include <thread>

namespace lumora {

// Join before the first widget is made.
std::jthread WarmFontConfiguration();

}  // namespace lumora
