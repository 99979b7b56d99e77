// The firmware check's cases: version texts, init's result and the lines it
// prints. One table for the emulated Windows and for the real DLL on Wine.
#pragma once

#include "tamo_settings.h"

#include <ostream>
#include <string>
#include <vector>

namespace tamo::test {

struct VersionCase {
    const char* name;
    std::string text;
    StatusCode expected;
    std::vector<std::string> lines;
};

inline void PrintTo(const VersionCase& c, std::ostream* os) { *os << c.name; }

inline std::vector<std::string> refused(const std::string& text, const std::string& number) {
    return {"MCU FW is not supported!!(Current Version:" + text + ")", "mc_version:" + number};
}

inline std::vector<VersionCase> firmwareVersionCases() {
    const std::string sixty = "0000000000001102" + std::string(44, 'x');
    return {
        {"Version103", "0000000000001103", SOUND_OK, {}},
        {"Version999", "0000000000000999", SOUND_OK, {}},
        {"TrailingTextIgnored", "0000000000001104-beta", SOUND_OK, {}},
        {"Version102", "0000000000001102", SOUND_ERROR_FIRMWARE_UNSUPPORTED, refused("0000000000001102", "102")},
        {"Version0", "0000000000001000", SOUND_ERROR_FIRMWARE_UNSUPPORTED, refused("0000000000001000", "0")},
        {"Empty", "", SOUND_ERROR_FIRMWARE_UNSUPPORTED, refused("", "0")},
        {"NoLeadingZeros", "1234567890001103", SOUND_ERROR_FIRMWARE_UNSUPPORTED, refused("1234567890001103", "0")},
        // Eleven zeros: the numbers are read one digit later, 011 and 03.
        {"ElevenZeros", "000000000001103", SOUND_ERROR_FIRMWARE_UNSUPPORTED, refused("000000000001103", "3")},
        {"SecondNumberMissing", "0000000000001", SOUND_ERROR_FIRMWARE_UNSUPPORTED, refused("0000000000001", "0")},
        {"Letters", "0000000000abc103", SOUND_ERROR_FIRMWARE_UNSUPPORTED, refused("0000000000abc103", "0")},
        // A signed number is no version: it must not pass as 4294967295.
        {"NegativeVersion", "0000000000001-01", SOUND_ERROR_FIRMWARE_UNSUPPORTED, refused("0000000000001-01", "0")},
        {"PlusSignedVersion", "0000000000001+99", SOUND_ERROR_FIRMWARE_UNSUPPORTED, refused("0000000000001+99", "99")},
        {"SixtyCharacters", sixty, SOUND_ERROR_FIRMWARE_UNSUPPORTED, refused(sixty, "102")},
    };
}

}  // namespace tamo::test
