// The native exports by name, for the tests that call them from data.
#pragma once

#include "scenario.h"

namespace tamo::test {

StatusCode callNativeExport(Export which, std::int32_t argument, SoundState* record);

}  // namespace tamo::test
