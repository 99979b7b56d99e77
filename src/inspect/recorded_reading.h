// One reading of a configuration file by the library, kept: every line as
// read and split, for the report to explain, and the pairs, for each of the
// library's decisions to take from memory. Nothing reads or splits the file
// a second time.
#pragma once

#include "config/config_text.h"

#include <string>
#include <string_view>
#include <vector>

namespace tamo::inspect {

// One line of the file as the library read and split it.
struct SourceLine {
    int number = 0;
    std::string text;
    bool split = false;
    std::string key;
    std::string value;
    std::string extra;           // text after the value's closing "=" (a third token onwards)
    bool skippedEquals = false;  // "=" before the key, or more than one between key and value
};

class RecordedReading final : public PairSource {
public:
    // The file at `path`, or the bytes of a file already in memory.
    static RecordedReading ofFile(const std::wstring& path);
    static RecordedReading ofText(std::string_view bytes);

    // How the library's reading went.
    const FileReading& reading() const { return reading_; }
    // Every line of the file, those after a line that stopped the library
    // included: a report tells of each of them.
    const std::vector<SourceLine>& lines() const { return lines_; }
    // The first bytes of the file as the lines give them back, for telling
    // how the file was saved.
    std::string start() const;

    // The pairs the library was given, again, as a decision asks for them.
    FileReading read(const PairReceiver& receive) const override;

private:
    class Recorder;
    FileReading reading_;
    std::vector<SourceLine> lines_;
};

}  // namespace tamo::inspect
