// The hmd_config.ini of the benchmarks' second setup: the built-in table as
// a file of three entries, and see-through allowed, so that every
// transaction reads and splits it.
#pragma once

namespace tamo::bench {

inline constexpr const char* kSeeThroughConfig =
    "NUM_OF_CONFIG=3\n"
    "VENDORID_001=2E5C\nPRODUCTID_001=0712\nUSAGE_001=0001\nUSAGEPAGE_001=FF00\n"
    "PRODUCTNAME_001=Tamo Mk2\nREPORTID_001=0\nDEVICENAME_001=HMD#0\n"
    "VENDORID_002=2E5C\nPRODUCTID_002=0712\nUSAGE_002=0001\nUSAGEPAGE_002=FF00\n"
    "PRODUCTNAME_002=TAMO_Zenith\nREPORTID_002=0\nDEVICENAME_002=HMD#0\n"
    "VENDORID_003=2E5C\nPRODUCTID_003=0712\nUSAGE_003=0001\nUSAGEPAGE_003=FF00\n"
    "PRODUCTNAME_003=TAMO Prime\nREPORTID_003=0\nDEVICENAME_003=HMD#0\n"
    "ENABLE_SEE_THROUGH=1\n";

}  // namespace tamo::bench
