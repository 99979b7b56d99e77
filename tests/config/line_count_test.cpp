// A file of more lines than a 32-bit signed count holds, made on the fly:
// every line keeps a number of its own, and a key on the last line is still
// found. Slow by nature (2^31 lines go through the reader), so it carries
// the label "long" and is run by hand.
#include "config/config_text.h"
#include "config/line_reader.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <limits>
#include <string>

namespace tamo::test {
namespace {

constexpr LineNumber kLines = LineNumber{std::numeric_limits<std::int32_t>::max()} + 2;

// "A=1\n" kLines - 1 times, then "LAST=2\n", read through the C library.
struct GeneratedFile {
    LineNumber written = 0;
    bool lastWritten = false;

    static ssize_t read(void* cookie, char* buffer, std::size_t size) {
        auto& file = *static_cast<GeneratedFile*>(cookie);
        std::size_t filled = 0;
        while (file.written + 1 < kLines && size - filled >= 4) {
            std::memcpy(buffer + filled, "A=1\n", 4);
            filled += 4;
            ++file.written;
        }
        if (file.written + 1 == kLines && !file.lastWritten && size - filled >= 7) {
            std::memcpy(buffer + filled, "LAST=2\n", 7);
            filled += 7;
            file.lastWritten = true;
        }
        return static_cast<ssize_t>(filled);
    }
};

TEST(LineCount, LinesPastTwoToTheThirtyOneAreCountedAndKept) {
    GeneratedFile generated;
    std::FILE* file = fopencookie(&generated, "rb", cookie_io_functions_t{GeneratedFile::read, nullptr, nullptr, nullptr});
    ASSERT_NE(file, nullptr);
    LineNumber lastLine = 0;
    std::string lastKey;
    LineNumber pairs = 0;
    LineReader lines(file);
    FileReading reading = readLines(lines, [&](LineNumber line, std::string_view key, std::string_view) {
        ++pairs;
        if (line <= lastLine) lastKey = "out of order";
        lastLine = line;
        if (key == "LAST") lastKey = key;
    });
    std::fclose(file);
    EXPECT_EQ(reading.state, FileState::Read);
    EXPECT_EQ(reading.lineCount, kLines);
    EXPECT_EQ(pairs, kLines);
    EXPECT_EQ(lastLine, kLines);
    EXPECT_EQ(lastKey, "LAST");
}

}  // namespace
}  // namespace tamo::test
