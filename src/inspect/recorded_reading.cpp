#include "inspect/recorded_reading.h"

#include "config/line_reader.h"

namespace tamo::inspect {
namespace {

constexpr std::size_t kStartBytes = 4;

SourceLine splitLine(LineNumber number, std::string_view text, const LineSplit& split) {
    SourceLine line;
    // The report holds every line in memory, so its files have fewer than
    // 2^31 lines.
    line.number = static_cast<int>(number);
    line.text = std::string(text);
    line.split = split.succeeded();
    if (!line.split) return line;
    line.key = std::string(*split.key);
    line.value = std::string(*split.value);
    // What the library passes over around the key and the value; the line
    // counts up to its first NUL, as it does for the split.
    const std::string_view whole = text.substr(0, text.find('\0'));
    const auto keyAt = static_cast<std::size_t>(split.key->data() - text.data());
    const auto valueAt = static_cast<std::size_t>(split.value->data() - text.data());
    line.skippedEquals = keyAt > 0 || valueAt > keyAt + split.key->size() + 1;
    const std::string_view after = whole.substr(valueAt + split.value->size());
    if (after.find_first_not_of('=') != std::string_view::npos) line.extra = std::string(after);
    return line;
}

}  // namespace

class RecordedReading::Recorder final : public LineObserver {
public:
    explicit Recorder(std::vector<SourceLine>& lines) : lines_(lines) {}
    void observe(LineNumber line, std::string_view text, const LineSplit& split) override {
        lines_.push_back(splitLine(line, text, split));
    }

private:
    std::vector<SourceLine>& lines_;
};

RecordedReading RecordedReading::ofFile(const std::wstring& path) {
    RecordedReading recorded;
    Recorder recorder(recorded.lines_);
    recorded.reading_ = readConfigFile(path, [](LineNumber, std::string_view, std::string_view) {}, &recorder);
    return recorded;
}

RecordedReading RecordedReading::ofText(std::string_view bytes) {
    RecordedReading recorded;
    Recorder recorder(recorded.lines_);
    LineReader lines(bytes);
    recorded.reading_ = readLines(lines, [](LineNumber, std::string_view, std::string_view) {}, &recorder);
    return recorded;
}

std::string RecordedReading::start() const {
    std::string start;
    for (const SourceLine& line : lines_) {
        if (start.size() >= kStartBytes) break;
        if (line.number > 1) start += '\n';
        start += line.text;
    }
    return start.substr(0, kStartBytes);
}

FileReading RecordedReading::read(const PairReceiver& receive) const {
    for (const SourceLine& line : lines_) {
        if (static_cast<LineNumber>(line.number) > reading_.lineCount) break;
        if (line.split) receive(static_cast<LineNumber>(line.number), line.key, line.value);
    }
    return reading_;
}

}  // namespace tamo::inspect
