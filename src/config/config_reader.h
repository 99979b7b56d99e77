// A plain key=value file, read into memory and queried by key.
#pragma once

#include "config/config_text.h"

#include <map>
#include <string>

namespace tamo {

// Reads the file that a derived class names, one key=value pair per line,
// and answers look-ups as text or as a decimal number. Keys and values are
// 8-bit text, compared byte by byte; there are no comments, sections,
// quoting or escapes. Readers are short-lived: construct, load once, ask,
// destroy. Every diagnostic goes to standard output as one flushed line.
class ConfigReader {
public:
    ConfigReader() = default;

    // The full path of the file for `configFileType`, or an empty text when
    // there is none. A wide string, not narrowed to 8 bits: narrowing keeps
    // only the low byte of each UTF-16 unit, and the result can name a file
    // in another directory (U+0141 would become "A").
    virtual std::wstring getConfigFilePath(int& configFileType) = 0;

    // Reads every line of the file into `keyValues`, a later pair of a key
    // replacing an earlier one; pairs already there are kept. 0 when the
    // file was read to its end; -1 when it cannot be opened (silently) or a
    // line cannot be split (then the pairs of the lines before it stay and
    // the rest of the file is not read).
    int loadConfigFile();

    // Reads the same file, handing each pair with its line number to
    // `receive` instead of keeping it, and says how the reading went. It
    // prints nothing.
    FileReading loadConfigFile(const PairReceiver& receive);

    // Splits one line into its key and value: the first two runs of
    // characters between "=" signs. Anything after the value's closing "="
    // is ignored; blanks belong to the key and the value. -1 when the line
    // holds fewer than two such runs; the value is then left unchanged.
    static int getKeyValueFromBuffer(const std::string& line, std::string& key, std::string& value);

    // The value of `key` as text, or as a decimal number (a value that is
    // not a number gives 0; see readInteger). -1 and a diagnostic line when
    // the file did not hold the key; `value` is then left unchanged.
    int getStringValue(const std::string& key, std::string& value) const;
    int getIntValue(const std::string& key, int& value) const;

    int configFileType = -1;
    std::map<std::string, std::string> keyValues;

protected:
    // Not virtual: a reader is never destroyed through this class.
    ~ConfigReader() = default;
    ConfigReader(const ConfigReader&) = default;
    ConfigReader& operator=(const ConfigReader&) = default;
};

// The file that `reader` names, as a source of a configuration decision.
class ReaderSource final : public PairSource {
public:
    explicit ReaderSource(ConfigReader& reader) : reader_(reader) {}
    FileReading read(const PairReceiver& receive) const override { return reader_.loadConfigFile(receive); }

private:
    ConfigReader& reader_;
};

}  // namespace tamo
