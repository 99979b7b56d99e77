#include "native_exports.h"

namespace tamo::test {

StatusCode callNativeExport(Export which, std::int32_t argument, SoundState* record) {
    return callExport(kNativeExports, which, argument, record);
}

}  // namespace tamo::test
