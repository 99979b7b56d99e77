// The state of the virtual headsets between two runs of a host on the
// emulated Windows (tamo-sound --virtual).
//
// A real headset keeps its settings while the host program comes and goes;
// the virtual one lives inside the host's process, so its state is kept in
// a small text file instead:
//
//   tamo-sound virtual headset state 1
//   headset.1.audio_mode=2
//   headset.1.hi_power=1
//   headset.1.see_through=0
//
// The file is replaced atomically (a temporary file beside it, then a
// rename), so a reader never sees half of it. A file that does not read as
// this format is reported and never trusted in part; only one that starts
// with the header above is ever replaced, so a file given by mistake (a
// configuration file, a document) is never overwritten.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace emulated {

struct HeadsetState {
    std::uint8_t audioMode = 0;
    bool hiPower = true;
    bool seeThrough = false;
    bool operator==(const HeadsetState&) const = default;
};

// Headset number (1-based, in plug order) -> its state.
using VirtualState = std::map<int, HeadsetState>;

inline constexpr const char* kStateFileHeader = "tamo-sound virtual headset state 1";

struct LoadedState {
    // Corrupt: the tool's header, then something it cannot read; Foreign:
    // not the tool's file at all.
    enum class Outcome { Missing, Loaded, Corrupt, Foreign, Unreadable } outcome = Outcome::Missing;
    VirtualState state;
    std::string problem;  // Corrupt, Foreign, Unreadable: why, with the line number

    // Whether saving may replace the file.
    bool mayBeReplaced() const {
        return outcome == Outcome::Missing || outcome == Outcome::Loaded || outcome == Outcome::Corrupt;
    }
};

LoadedState parseState(const std::string& text);
std::string formatState(const VirtualState& state);

LoadedState loadStateFile(const std::string& path);
// Writes the whole file under a temporary name in the same directory and
// renames it over `path`. Creates the directory (mode 0700) when missing.
// The error text when it fails; the old file then stays as it was.
std::optional<std::string> saveStateFile(const std::string& path, const VirtualState& state);

// What became of the headsets' settings after a run: written when they
// changed from `before`, over the headsets they name, the loaded file's
// other headsets kept; never over a file that is not a state file.
struct KeptState {
    enum class Outcome { Unchanged, Saved, NotAStateFile, Failed } outcome = Outcome::Unchanged;
    std::string problem;  // Failed: why
};
KeptState keepState(const std::string& path, const LoadedState& loaded, const VirtualState& before,
                    const VirtualState& now);

// Where the state lives when neither --state-file nor TAMO_VIRTUAL_STATE
// says: $XDG_RUNTIME_DIR/tamo-sound/virtual-headset.state, or else
// <temporary directory>/tamo-sound-<uid>/virtual-headset.state.
std::string defaultStateFilePath();

}  // namespace emulated
