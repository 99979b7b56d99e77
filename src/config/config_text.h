// Reading configuration text: pairs with their line numbers, and why a file
// was not used. Silent: what the library prints about it is its callers'
// business, so that a tool can ask the same question without the lines.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

namespace tamo {

// Why a line has no key=value pair.
enum class SplitFailure {
    NoKey,    // nothing but "=" characters, or nothing at all
    NoValue,  // a key without a value after its "="
};

// A line cut at "=": the first two runs of characters between "=" signs.
// Blanks belong to them; anything after the value's closing "=" is ignored.
// The line counts as a C string: it ends at its first NUL.
struct LineSplit {
    std::optional<std::string_view> key;
    std::optional<std::string_view> value;

    bool succeeded() const { return key && value; }
    SplitFailure failure() const { return key ? SplitFailure::NoValue : SplitFailure::NoKey; }
};

LineSplit splitKeyValue(std::string_view line);

// A line's number in its file, from 1. Wide enough that no file can count
// past it: 0 stays free to mean "no line".
using LineNumber = std::uint64_t;

enum class FileState {
    Read,        // read to its end, every line split (a read error ends it too)
    NotFound,    // could not be opened (an empty path included)
    Unreadable,  // too large to hold
    Malformed,   // a line could not be split; the lines after it were not read
};

struct FileReading {
    FileState state = FileState::Read;
    // Lines read, the malformed one included.
    LineNumber lineCount = 0;
    // The reading ended early because the file reported a read error; the
    // state is still Read, with the lines before it.
    bool readFailed = false;
    // errno of an open that failed (NotFound): ENOENT for a missing file.
    int openError = 0;
    // The line that could not be split, as read, and why.
    std::string malformedLine;
    SplitFailure why = SplitFailure::NoKey;
};

// Receives each pair with the number of its line (from 1), in file order.
// A reference to the caller's function, not a copy: it lives only as long
// as the call it is passed to, and costs the DLL nothing of std::function.
class PairReceiver {
public:
    template <class Function>
        requires(!std::is_same_v<std::remove_cvref_t<Function>, PairReceiver>)
    PairReceiver(Function&& function)  // NOLINT(google-explicit-constructor): converts like std::function
        : function_(const_cast<void*>(static_cast<const void*>(std::addressof(function)))),
          call_([](void* target, LineNumber line, std::string_view key, std::string_view value) {
              (*static_cast<std::remove_reference_t<Function>*>(target))(line, key, value);
          }) {}

    void operator()(LineNumber line, std::string_view key, std::string_view value) const {
        call_(function_, line, key, value);
    }

private:
    void* function_;
    void (*call_)(void*, LineNumber, std::string_view, std::string_view);
};

// Sees every line as it is read, with its split, before its pair (if any)
// goes to the receiver: what a tool needs to explain how each line looks,
// without reading or splitting the file a second time. An observer also sees
// the lines after one that cannot be split; their pairs go nowhere.
class LineObserver {
public:
    virtual void observe(LineNumber line, std::string_view text, const LineSplit& split) = 0;

protected:
    ~LineObserver() = default;
};

// Reads the file at `path` (wide, opened shared for reading) or the bytes
// given, line by line, handing each pair to `receive`: up to the end, or up
// to the first line that cannot be split. A pair the receiver cannot store
// for want of memory makes the file unreadable.
FileReading readConfigFile(const std::wstring& path, const PairReceiver& receive, LineObserver* observer = nullptr);
FileReading readConfigText(std::string_view bytes, const PairReceiver& receive);

// Where a configuration decision reads its pairs: the file a reader names,
// or text already in memory. Reading prints nothing.
class PairSource {
public:
    virtual FileReading read(const PairReceiver& receive) const = 0;

protected:
    ~PairSource() = default;
};

// Configuration text in memory (a fuzzer's input, a test's buffer).
class TextSource final : public PairSource {
public:
    explicit TextSource(std::string_view bytes) : bytes_(bytes) {}
    FileReading read(const PairReceiver& receive) const override;

private:
    std::string_view bytes_;
};

// The library's two lines for a malformed file.
inline constexpr const char* kSplitFailedLine = "strtok_r() is failed!!";
std::string loadFailedLine(std::string_view line);
// Appends them to `lines` when `reading` is of a malformed file.
void addMalformedLines(const FileReading& reading, std::vector<std::string>& lines);
// Prints `lines` as the library prints its diagnostics. A line that cannot
// be delivered for want of memory is dropped with the rest: what was decided
// stands.
void printLines(const std::vector<std::string>& lines);

}  // namespace tamo
