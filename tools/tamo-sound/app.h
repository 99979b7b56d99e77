// One run of tamo-sound, from its arguments to its exit status.
#pragma once

#include <string>
#include <vector>

namespace tamo::tool {

// `arguments` excludes the program name and is UTF-8.
int runTool(const std::vector<std::string>& arguments);

}  // namespace tamo::tool
