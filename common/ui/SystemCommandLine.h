#pragma once
// The command line as the system handed it to the process (Windows builds), in UTF-8.
#include <string>

namespace ui {

std::string ProcessCommandLine();

} // namespace ui
