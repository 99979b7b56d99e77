#include "config/config_text.h"

#include "config/line_reader.h"
#include "platform/console.h"
#include "platform/win32.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <exception>
#include <memory>
#include <new>

namespace tamo {
namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// Binary mode: the line reader handles CR LF and Ctrl-Z itself.
// The C library opens without denying other readers or writers.
File openForReading(const std::wstring& path) {
    // An empty name would reach the Windows C library's invalid-parameter
    // handler, which ends the process by default.
    if (path.empty()) return nullptr;
    return File(_wfopen(path.c_str(), L"rb"));
}

}  // namespace

FileReading readLines(LineReader& lines, const PairReceiver& receive, LineObserver* observer) {
    FileReading reading;
    // Lines have no length limit, so a huge file can exhaust memory; that
    // counts as a file that could not be read, not as a crash of the host.
    try {
        std::string_view line;
        LineNumber number = 0;
        while (lines.next(line)) {
            LineSplit split = splitKeyValue(line);
            ++number;
            if (observer) observer->observe(number, line, split);
            if (!split.succeeded()) {
                reading.state = FileState::Malformed;
                reading.why = split.failure();
                reading.malformedLine = line;
                break;
            }
            receive(number, *split.key, *split.value);
        }
        reading.lineCount = number;
        // Past a malformed line only an observer reads on.
        if (observer && reading.state == FileState::Malformed) {
            while (lines.next(line)) observer->observe(++number, line, splitKeyValue(line));
        }
        reading.readFailed = lines.failed();
    } catch (const std::exception&) {
        reading.state = FileState::Unreadable;
    }
    return reading;
}

LineSplit splitKeyValue(std::string_view line) {
    // strtok_r's rules, which the format has always been cut by: a token is
    // a run between "=" signs, the signs in front of it skipped and the one
    // after it consumed. The line counts as a C string, so a NUL ends it.
    line = line.substr(0, line.find('\0'));
    std::size_t at = 0;
    auto nextToken = [&line, &at]() -> std::optional<std::string_view> {
        at = std::min(line.find_first_not_of('=', at), line.size());
        if (at == line.size()) return std::nullopt;
        const std::size_t end = std::min(line.find('=', at), line.size());
        std::string_view token = line.substr(at, end - at);
        at = std::min(end + 1, line.size());
        return token;
    };
    LineSplit split;
    split.key = nextToken();
    if (split.key) split.value = nextToken();
    return split;
}

FileReading readConfigFile(const std::wstring& path, const PairReceiver& receive, LineObserver* observer) {
    errno = 0;
    File file = openForReading(path);
    if (!file) {
        FileReading reading;
        reading.state = FileState::NotFound;
        reading.openError = path.empty() ? ENOENT : errno;
        return reading;
    }
    LineReader lines(file.get());
    return readLines(lines, receive, observer);
}


std::string loadFailedLine(std::string_view line) {
    return "getKeyValueFromBuffer(" + std::string(line) + ") is failed!!";
}

void addMalformedLines(const FileReading& reading, std::vector<std::string>& lines) {
    if (reading.state != FileState::Malformed) return;
    lines.push_back(kSplitFailedLine);
    lines.push_back(loadFailedLine(reading.malformedLine));
}

void printLines(const std::vector<std::string>& lines) {
    try {
        for (const std::string& line : lines) printLine(line);
    } catch (const std::bad_alloc&) {
    }
}

}  // namespace tamo
