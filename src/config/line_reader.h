// Lines of a configuration file.
#pragma once

#include <array>
#include <cstdio>
#include <string>
#include <string_view>

namespace tamo {

// Reads an open file line by line. The file is read as bytes, so that the
// same file reads the same everywhere; a CR LF pair is taken as one line
// end here, and the first Ctrl-Z (0x1A), which old editors append, ends the
// file wherever it stands, as text mode would have it. Any other byte, a
// lone CR included, is an ordinary character. Lines have no length limit.
class LineReader {
public:
    explicit LineReader(std::FILE* file);
    // The same reading of bytes already in memory.
    explicit LineReader(std::string_view bytes);

    // The next line, without its line end, into `line`: a view that holds
    // until the next call. False when the end of the file came before any
    // byte (so a line end after the last line adds no empty line) and when
    // the file reports a read error.
    bool next(std::string_view& line);
    // Whether the file reported a read error.
    bool failed() const;

private:
    bool fill();

    // The C library buffers the file as well; this only saves a call per
    // byte and lets a line be found with one search.
    static constexpr std::size_t kChunkSize = 4096;

    std::FILE* file_ = nullptr;
    // A Ctrl-Z was met: nothing after it is read.
    bool ended_ = false;
    std::array<char, kChunkSize> buffer_;
    // What is left of the current chunk, or of the bytes in memory.
    std::string_view rest_;
    // A line that spans chunks, put together; a line within one chunk is
    // handed out where it lies.
    std::string joined_;
};

struct FileReading;
class LineObserver;
class PairReceiver;

// Reads every line of `lines`, handing each pair to `receive` (and each
// line to `observer`), as readConfigFile and readConfigText do.
FileReading readLines(LineReader& lines, const PairReceiver& receive, LineObserver* observer = nullptr);

}  // namespace tamo
