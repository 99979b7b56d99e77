// Configuration text the tests build their files from.
#pragma once

#include <string>

namespace tamo::test {

// Entry 1 of the built-in table written out, key by key.
inline const std::string kEntry1 =
    "VENDORID_001=2E5C\nPRODUCTID_001=0712\nUSAGE_001=0001\nUSAGEPAGE_001=FF00\nPRODUCTNAME_001=Tamo Mk2\n"
    "REPORTID_001=0\nDEVICENAME_001=HMD#0\n";

// `text` without its line that starts with `key`.
inline std::string without(const std::string& text, const std::string& key) {
    const std::size_t at = text.find(key);
    return text.substr(0, at) + text.substr(text.find('\n', at) + 1);
}

}  // namespace tamo::test
