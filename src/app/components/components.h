// The main window's components, made and placed in one place.
#pragma once

#include <memory>
#include <vector>

#include "app/components/component.h"

namespace nuko::app {

// Every component in layout order, its panel placed through `frame`: a new
// component is one more entry here, and nothing else of the frame changes.
std::vector<std::unique_ptr<Component>> MakeComponents(FrameHost& frame);

}  // namespace nuko::app
