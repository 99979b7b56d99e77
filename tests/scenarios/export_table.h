// The six exported functions of one module under the library's
// declarations: the library's own, or the simulator's wrappers around them.
#pragma once

#include "scenario.h"

namespace tamo::test {

struct ExportTable {
#define TAMO_EXPORT_MEMBER(name, function) decltype(&function) name;
    TAMO_SETTINGS_EXPORTS(TAMO_EXPORT_MEMBER)
#undef TAMO_EXPORT_MEMBER
};

// The table's function `which`, called as the scenarios call it.
StatusCode callExport(const ExportTable& table, Export which, std::int32_t argument, SoundState* record);

}  // namespace tamo::test
