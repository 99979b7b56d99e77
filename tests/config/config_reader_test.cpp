// The key=value reader over real files: splitting, loading, look-ups and
// the lines it prints.
#include "config/config_reader.h"
#include "config_files.h"
#include "platform/line_redirect.h"

#include <climits>
#include <map>
#include <string>
#include <vector>

namespace tamo::test {
namespace {

using namespace std::string_literals;
using Pairs = std::map<std::string, std::string>;
using Lines = std::vector<std::string>;

// A reader of whatever file the test names.
class FileReader : public ConfigReader {
public:
    explicit FileReader(std::wstring path) : path_(std::move(path)) {}
    std::wstring getConfigFilePath(int& fileType) override {
        typesAsked.push_back(fileType);
        return path_;
    }
    std::vector<int> typesAsked;

private:
    std::wstring path_;
};

const std::string kSplitFailed = "strtok_r() is failed!!";

std::string loadFailed(const std::string& line) { return "getKeyValueFromBuffer(" + line + ") is failed!!"; }

class ConfigReaderTest : public PlatformTest {
protected:
    struct Loaded {
        int result;
        Lines lines;
        Pairs pairs;
    };

    std::filesystem::path file() const { return dir_.path() / "settings.ini"; }

    Loaded load(const std::string& contents) {
        writeFile(file(), contents);
        FileReader reader(platformPath(file()));
        LineRedirect out;
        int result = reader.loadConfigFile();
        return {result, out.lines(), reader.keyValues};
    }

private:
    ScratchDirectory dir_;
};

// --- Splitting one line -----------------------------------------------------

struct SplitCase {
    std::string line;
    bool splits;
    std::string key;  // when it splits
    std::string value;
};

TEST_F(ConfigReaderTest, SplitsALineAtTheFirstRunsOfEqualSigns) {
    const std::vector<SplitCase> cases = {
        {"NUM_OF_CONFIG=1", true, "NUM_OF_CONFIG", "1"},
        {"NUM_OF_CONFIG = 2", true, "NUM_OF_CONFIG ", " 2"},
        {"\tKEY\t=\tvalue with  blanks \t", true, "\tKEY\t", "\tvalue with  blanks \t"},
        {"NUM_OF_CONFIG=2=3", true, "NUM_OF_CONFIG", "2"},
        {"NUM_OF_CONFIG==2", true, "NUM_OF_CONFIG", "2"},
        {"=NUM_OF_CONFIG=2", true, "NUM_OF_CONFIG", "2"},
        {"===K===V===W", true, "K", "V"},
        {"K=\"quoted\"", true, "K", "\"quoted\""},
        {"#K=V", true, "#K", "V"},
        {"K=V ; comment", true, "K", "V ; comment"},
        {"K=\r", true, "K", "\r"},
        {"\xEF\xBB\xBFK=V", true, "\xEF\xBB\xBFK", "V"},
        // A C string: what follows a NUL byte is not seen.
        {"K=V\0W=X"s, true, "K", "V"},
        {"K\0=V"s, false, "", ""},
        {"", false, "", ""},
        {"=", false, "", ""},
        {"===", false, "", ""},
        {"KEY", false, "", ""},
        {"KEY=", false, "", ""},
        {"KEY===", false, "", ""},
        {"=VALUE", false, "", ""},
        {"[section]", false, "", ""},
        {"# a comment", false, "", ""},
        {" ", false, "", ""},
    };
    for (const SplitCase& c : cases) {
        std::string key = "(key before)";
        std::string value = "(value before)";
        LineRedirect out;
        int result = ConfigReader::getKeyValueFromBuffer(c.line, key, value);
        Lines lines = out.lines();
        if (c.splits) {
            EXPECT_EQ(result, 0) << c.line;
            EXPECT_EQ(key, c.key) << c.line;
            EXPECT_EQ(value, c.value) << c.line;
            EXPECT_EQ(lines, Lines{}) << c.line;
        } else {
            EXPECT_EQ(result, -1) << c.line;
            EXPECT_EQ(value, "(value before)") << c.line;
            EXPECT_EQ(lines, Lines{kSplitFailed}) << c.line;
        }
    }
}

// --- Loading a file ---------------------------------------------------------

struct LoadCase {
    const char* what;
    std::string contents;
    int result;
    Lines lines;
    Pairs pairs;
};

TEST_F(ConfigReaderTest, LoadsEveryLineOrStopsAtTheFirstThatDoesNotSplit) {
    const std::string longValue(100000, 'x');
    const std::vector<LoadCase> cases = {
        {"empty file", "", 0, {}, {}},
        {"final line end", "NUM_OF_CONFIG=1\n", 0, {}, {{"NUM_OF_CONFIG", "1"}}},
        {"no final line end", "NUM_OF_CONFIG=1", 0, {}, {{"NUM_OF_CONFIG", "1"}}},
        {"extra empty line at the end", "NUM_OF_CONFIG=1\n\n", -1, {kSplitFailed, loadFailed("")},
         {{"NUM_OF_CONFIG", "1"}}},
        {"blank line between pairs", "A=1\n\nB=2\n", -1, {kSplitFailed, loadFailed("")}, {{"A", "1"}}},
        {"line of blanks", "A=1\n  \nB=2\n", -1, {kSplitFailed, loadFailed("  ")}, {{"A", "1"}}},
        {"key alone", "A=1\nB\nC=3\n", -1, {kSplitFailed, loadFailed("B")}, {{"A", "1"}}},
        {"key and equal sign", "A=1\nB=\nC=3\n", -1, {kSplitFailed, loadFailed("B=")}, {{"A", "1"}}},
        {"equal sign and value", "=2\nA=1\n", -1, {kSplitFailed, loadFailed("=2")}, {}},
        {"comment line", "# devices\nA=1\n", -1, {kSplitFailed, loadFailed("# devices")}, {}},
        {"section header", "[hmd]\nA=1\n", -1, {kSplitFailed, loadFailed("[hmd]")}, {}},
        {"later pair of a key wins", "NUM_OF_CONFIG=1\nX=0\nNUM_OF_CONFIG=2\n", 0, {},
         {{"NUM_OF_CONFIG", "2"}, {"X", "0"}}},
        {"keys differ by case", "num_of_config=1\nNUM_OF_CONFIG=2\n", 0, {},
         {{"num_of_config", "1"}, {"NUM_OF_CONFIG", "2"}}},
        {"CR LF line ends", "A=1\r\nB=two words\r\n", 0, {}, {{"A", "1"}, {"B", "two words"}}},
        {"CR LF without a final line end", "A=1\r\nB=2", 0, {}, {{"A", "1"}, {"B", "2"}}},
        {"CR LF empty line", "A=1\r\n\r\nB=2\r\n", -1, {kSplitFailed, loadFailed("")}, {{"A", "1"}}},
        {"lone CR is an ordinary character", "A=1\rB=2\n", 0, {}, {{"A", "1\rB"}}},
        {"CR before the end of the file stays", "A=1\r", 0, {}, {{"A", "1\r"}}},
        {"CR CR LF keeps one CR", "A=1\r\r\n", 0, {}, {{"A", "1\r"}}},
        {"byte-order mark joins the first key", "\xEF\xBB\xBFNUM_OF_CONFIG=1\nA=2\n", 0, {},
         {{"\xEF\xBB\xBFNUM_OF_CONFIG", "1"}, {"A", "2"}}},
        {"Ctrl-Z inside a line ends the file", "A=1\x1A\nB=2\n", 0, {}, {{"A", "1"}}},
        {"Ctrl-Z as the last byte ends the file", "A=1\nB=2\n\x1A", 0, {}, {{"A", "1"}, {"B", "2"}}},
        {"Ctrl-Z right after the last value", "A=1\x1A", 0, {}, {{"A", "1"}}},
        {"Ctrl-Z on a line of its own ends the file", "ENABLE_SEE_THROUGH=1\n\x1A\r\n", 0, {},
         {{"ENABLE_SEE_THROUGH", "1"}}},
        {"the first of two Ctrl-Z ends the file", "A=1\x1A\x1A", 0, {}, {{"A", "1"}}},
        {"nothing after a Ctrl-Z is read", "A=1\n\x1A\nnot a pair\nB=2\n", 0, {}, {{"A", "1"}}},
        {"Ctrl-Z at a chunk's end with more after it", "A=" + std::string(4093, 'x') + "\x1A\nB=2\n", 0, {},
         {{"A", std::string(4093, 'x')}}},
        {"Ctrl-Z at the start of the next chunk", "A=" + std::string(4094, 'x') + "\x1A\nB=2\n", 0, {},
         {{"A", std::string(4094, 'x')}}},
        {"NUL byte ends the split text", "A=1\0tail\nB\0=2\n"s, -1, {kSplitFailed, loadFailed("B\0=2"s)},
         {{"A", "1"}}},
        {"bytes above 0x7F are kept", "N\xE9=\xFF\xFE\n", 0, {}, {{"N\xE9", "\xFF\xFE"}}},
        {"no length limit", "LONG=" + longValue + "\nB=2\n", 0, {}, {{"LONG", longValue}, {"B", "2"}}},
    };
    for (const LoadCase& c : cases) {
        Loaded loaded = load(c.contents);
        EXPECT_EQ(loaded.result, c.result) << c.what;
        EXPECT_EQ(loaded.lines, c.lines) << c.what;
        EXPECT_EQ(loaded.pairs, c.pairs) << c.what;
    }
}

TEST_F(ConfigReaderTest, LineEndsAcrossTheReadBufferAreFound) {
    // Lines of every length around the sizes a reader is likely to read in,
    // so that a CR LF pair falls on both sides of a boundary, and is split
    // by one.
    for (std::size_t boundary : {512u, 4096u, 65536u}) {
        for (std::size_t padding = boundary - 8; padding <= boundary + 2; ++padding) {
            std::string filler(padding, 'f');
            Loaded loaded = load("F=" + filler + "\r\nA=1\r\nB=" + filler + "\r\n");
            EXPECT_EQ(loaded.result, 0) << padding;
            EXPECT_EQ(loaded.pairs, (Pairs{{"F", filler}, {"A", "1"}, {"B", filler}})) << padding;
        }
    }
}

TEST_F(ConfigReaderTest, FileThatCannotBeOpenedFailsSilently) {
    const std::vector<std::wstring> paths = {
        L"",
        platformPath(file()),                       // never written
        platformPath(file().parent_path()),         // a directory
        platformPath(file() / "below-a-missing-file"),
    };
    for (const std::wstring& path : paths) {
        FileReader reader(path);
        LineRedirect out;
        int result = reader.loadConfigFile();
        EXPECT_EQ(out.text(), "");
        EXPECT_EQ(result, -1);
        EXPECT_TRUE(reader.keyValues.empty());
    }
}

TEST_F(ConfigReaderTest, FileCanBeReadWhileAnotherReaderHasItOpen) {
    writeFile(file(), "A=1\n");
    std::FILE* other = std::fopen(file().string().c_str(), "rb");
    ASSERT_NE(other, nullptr);
    FileReader reader(platformPath(file()));
    EXPECT_EQ(reader.loadConfigFile(), 0);
    EXPECT_EQ(reader.keyValues, (Pairs{{"A", "1"}}));
    std::fclose(other);
}

// --- Look-ups ---------------------------------------------------------------

TEST_F(ConfigReaderTest, LookUpsMatchWholeKeysByteForByte) {
    writeFile(file(), "NUM_OF_CONFIG=3\nNAME=Tamo Mk2  \nSPACED =x\n");
    FileReader reader(platformPath(file()));
    ASSERT_EQ(reader.loadConfigFile(), 0);

    struct Ask {
        std::string key;
        bool found;
        std::string text;
    };
    const std::vector<Ask> asks = {
        {"NUM_OF_CONFIG", true, "3"},  {"NAME", true, "Tamo Mk2  "}, {"SPACED ", true, "x"},
        {"num_of_config", false, ""},  {"NUM_OF_CONFIG ", false, ""}, {"NUM_OF_CONFI", false, ""},
        {"SPACED", false, ""},         {"", false, ""},
    };
    for (const Ask& ask : asks) {
        std::string text = "(untouched)";
        int number = -12345;
        LineRedirect out;
        int textResult = reader.getStringValue(ask.key, text);
        int numberResult = reader.getIntValue(ask.key, number);
        Lines lines = out.lines();
        if (ask.found) {
            EXPECT_EQ(textResult, 0) << ask.key;
            EXPECT_EQ(text, ask.text) << ask.key;
            EXPECT_EQ(numberResult, 0) << ask.key;
            EXPECT_EQ(lines, Lines{}) << ask.key;
        } else {
            EXPECT_EQ(textResult, -1) << ask.key;
            EXPECT_EQ(numberResult, -1) << ask.key;
            EXPECT_EQ(text, "(untouched)") << ask.key;
            EXPECT_EQ(number, -12345) << ask.key;
            EXPECT_EQ(lines, Lines(2, "Cannot find the key:" + ask.key)) << ask.key;
        }
    }
}

TEST_F(ConfigReaderTest, EmptyFileAnswersNoKey) {
    writeFile(file(), "");
    FileReader reader(platformPath(file()));
    ASSERT_EQ(reader.loadConfigFile(), 0);
    std::string text;
    LineRedirect out;
    int result = reader.getStringValue("NUM_OF_CONFIG", text);
    EXPECT_EQ(out.lines(), Lines{"Cannot find the key:NUM_OF_CONFIG"});
    EXPECT_EQ(result, -1);
}

struct NumberCase {
    std::string text;
    int number;
};

// Every value is read as a decimal number; one that is not a number is 0,
// and no value is an error.
TEST_F(ConfigReaderTest, IntValueReadsALeadingDecimalNumber) {
    const std::vector<NumberCase> cases = {
        {"0", 0},
        {"1", 1},
        {"42", 42},
        {"007", 7},
        {"  42", 42},
        {"\t\v\f\r 9", 9},
        {"+5", 5},
        {"-7", -7},
        {" -7", -7},
        {"-0", 0},
        {"12abc", 12},
        {"5 6", 5},
        {"3.9", 3},
        {"1e3", 1},
        {"true", 0},
        {"yes", 0},
        {"0x10", 0},
        {"x1", 0},
        {"", 0},
        {" ", 0},
        {"+", 0},
        {"-", 0},
        {"- 5", 0},
        {"+-5", 0},
        {"--5", 0},
        {"\xEF\xBC\x91", 0},  // a full-width digit is not a digit
        {"2147483647", INT_MAX},
        {"2147483648", INT_MAX},
        {"4294967297", INT_MAX},
        {"99999999999999999999999999999999", INT_MAX},
        {"-2147483647", -INT_MAX},
        {"-2147483648", INT_MIN},
        {"-2147483649", INT_MIN},
        {"-99999999999999999999999999999999", INT_MIN},
        {"000000000000000000000000000000001", 1},
    };
    FileReader reader(L"");
    for (const NumberCase& c : cases) {
        reader.keyValues["N"] = c.text;
        int number = -12345;
        LineRedirect out;
        int result = reader.getIntValue("N", number);
        EXPECT_EQ(out.text(), "") << c.text;
        EXPECT_EQ(result, 0) << c.text;
        EXPECT_EQ(number, c.number) << c.text;
    }
}

TEST_F(ConfigReaderTest, IntValuesFromAFile) {
    writeFile(file(), "A= 42\r\nB=-7\nC=12abc\nD=true\nE=0x10\nF=-99999999999\nG=2147483648\n");
    FileReader reader(platformPath(file()));
    ASSERT_EQ(reader.loadConfigFile(), 0);
    const std::vector<std::pair<std::string, int>> expected = {
        {"A", 42}, {"B", -7}, {"C", 12}, {"D", 0}, {"E", 0}, {"F", INT_MIN}, {"G", INT_MAX},
    };
    for (const auto& [key, number] : expected) {
        int value = -12345;
        EXPECT_EQ(reader.getIntValue(key, value), 0) << key;
        EXPECT_EQ(value, number) << key;
    }
}

}  // namespace
}  // namespace tamo::test
