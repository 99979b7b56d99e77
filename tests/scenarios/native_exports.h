// The native exports by name, for the tests that call them from data.
#pragma once

#include "export_table.h"

namespace tamo::test {

inline constexpr ExportTable kNativeExports = {
#define TAMO_EXPORT_ADDRESS(name, function) &function,
    TAMO_SETTINGS_EXPORTS(TAMO_EXPORT_ADDRESS)
#undef TAMO_EXPORT_ADDRESS
};

StatusCode callNativeExport(Export which, std::int32_t argument, SoundState* record);

}  // namespace tamo::test
