// Where hmd_config.ini is looked for, on the emulated Windows: the test sets
// the executable's path, fails platform calls and reads the call log.
#include "config/hmd_config.h"
#include "config_files.h"
#include "platform/emulated/system.h"
#include "platform/emulated/utf8.h"
#include "platform/line_redirect.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <string>
#include <vector>

namespace tamo::test {
namespace {

using Lines = std::vector<std::string>;

const std::string kPadEntry =
    "NUM_OF_CONFIG=1\nVENDORID_001=045E\nPRODUCTID_001=0B12\nUSAGE_001=0005\nUSAGEPAGE_001=0001\n"
    "PRODUCTNAME_001=Pad One\nREPORTID_001=2\nDEVICENAME_001=PAD#1\nENABLE_SEE_THROUGH=1\n";
const std::string kVisorEntry =
    "NUM_OF_CONFIG=1\nVENDORID_001=1A2B\nPRODUCTID_001=3C4D\nUSAGE_001=0002\nUSAGEPAGE_001=FF01\n"
    "PRODUCTNAME_001=Visor\nREPORTID_001=4\nDEVICENAME_001=VISOR#7\nENABLE_SEE_THROUGH=1\n";

// The product name of each entry of the table, enough to tell tables apart.
std::vector<std::string> productNames(const DeviceConfigList& list) {
    std::vector<std::string> names;
    for (const DeviceConfig& entry : list) names.push_back(entry.productName.value_or(""));
    return names;
}

const std::vector<std::string> kBuiltInNames = {"Tamo Mk2", "TAMO_Zenith", "TAMO Prime"};

std::vector<std::string> loadProductNames() {
    DeviceConfigList list;
    loadDeviceConfigs(list);
    return productNames(list);
}

class ConfigPathTest : public PlatformTest {
protected:
    // A directory below the temporary one, given by its UTF-16 name ("\\"
    // between the names of nested ones, as in the executable's path).
    std::filesystem::path makeDirectory(std::wstring name) {
        std::replace(name.begin(), name.end(), L'\\', L'/');
        std::filesystem::path path = temp_.path() / utf8FromUtf16(name);
        std::filesystem::create_directories(path);
        return path;
    }
    void placeExecutableIn(const std::wstring& directoryName) {
        emulated::System::setExecutablePath(platformPath(temp_.path()) + L"\\" + directoryName + L"\\host.exe");
    }
    ScratchDirectory temp_;
};

TEST_F(ConfigPathTest, OnlyTheExecutablesDirectoryIsSearched) {
    std::filesystem::path bin = makeDirectory(L"host") / "bin";
    std::filesystem::create_directory(bin);
    emulated::System::setExecutablePath(platformPath(bin / "host.exe"));
    writeFile(temp_.path() / "host" / "hmd_config.ini", kVisorEntry);
    writeFile(temp_.path() / "hmd_config.ini", kVisorEntry);
    EXPECT_EQ(loadProductNames(), kBuiltInNames);
    EXPECT_FALSE(isSeeThroughEnabled());

    writeFile(bin / "hmd_config.ini", kPadEntry);
    EXPECT_EQ(loadProductNames(), std::vector<std::string>{"Pad One"});
}

// The library's code lives in this test program; its directory (also the
// working directory of the test) stands for the directory of the library.
TEST_F(ConfigPathTest, FileBesideTheLibraryIsNotRead) {
    std::filesystem::path libraryDirectory = std::filesystem::canonical("/proc/self/exe").parent_path();
    std::vector<std::filesystem::path> decoys = {libraryDirectory / "hmd_config.ini",
                                                 std::filesystem::current_path() / "hmd_config.ini"};
    std::vector<std::filesystem::path> written;
    for (const auto& decoy : decoys) {
        if (std::filesystem::exists(decoy)) continue;  // not ours to replace
        writeFile(decoy, kVisorEntry);
        written.push_back(decoy);
    }
    ASSERT_FALSE(written.empty());
    makeDirectory(L"host");
    placeExecutableIn(L"host");

    LineRedirect out;
    std::vector<std::string> names = loadProductNames();
    bool enabled = isSeeThroughEnabled();
    Lines lines = out.lines();
    for (const auto& file : written) std::filesystem::remove(file);

    EXPECT_EQ(names, kBuiltInNames);
    EXPECT_FALSE(enabled);
    EXPECT_EQ(lines, Lines{});
}

struct UnicodeCase {
    const char* what;
    std::wstring directory;  // UTF-16 units
    std::wstring lookalike;  // what the low bytes of its units spell (up to a zero)
};

// A directory whose name has characters above U+00FF: the file in it is the
// one read, never the file of the directory that the low bytes of its units
// would spell.
TEST_F(ConfigPathTest, DirectoryNamesAboveLatin1AreUsedWhole) {
    const std::vector<UnicodeCase> cases = {
        {"U+0141 against A", L"\u0141", L"A"},
        {"U+4E41 against A", L"\u4E41", L"A"},
        {"mixed name", L"hmd-\u0141\u0142-\u0143", L"hmd-ABC"},
        {"surrogate pair", std::wstring{L'x', wchar_t(0xD83D), wchar_t(0xDE3D), L'y'}, L"x==y"},
        {"U+0100, whose low byte is zero", L"cfg\u0100dir", L"cfg"},
    };
    for (const UnicodeCase& c : cases) {
        std::filesystem::path real = makeDirectory(c.directory);
        std::filesystem::path lookalike = makeDirectory(c.lookalike);
        placeExecutableIn(c.directory);

        writeFile(lookalike / "hmd_config.ini", kVisorEntry);
        LineRedirect out;
        std::vector<std::string> names = loadProductNames();
        bool enabled = isSeeThroughEnabled();
        EXPECT_EQ(out.lines(), Lines{}) << c.what;
        EXPECT_EQ(names, kBuiltInNames) << c.what;
        EXPECT_FALSE(enabled) << c.what;

        writeFile(real / "hmd_config.ini", kPadEntry);
        EXPECT_EQ(loadProductNames(), std::vector<std::string>{"Pad One"}) << c.what;
        EXPECT_TRUE(isSeeThroughEnabled()) << c.what;

        std::filesystem::remove_all(real);
        std::filesystem::remove_all(lookalike);
    }
}

TEST_F(ConfigPathTest, EachQuestionFindsThePathAndOpensTheFileOnce) {
    std::filesystem::path host = makeDirectory(L"host");
    placeExecutableIn(L"host");
    writeFile(host / "hmd_config.ini", kPadEntry);
    const std::vector<std::string> oneLoad = {"GetModuleHandleW", "GetModuleFileNameW", "_wfopen"};

    emulated::CallLog::clear();
    loadProductNames();
    EXPECT_EQ(emulated::CallLog::calls(), oneLoad);

    emulated::CallLog::clear();
    EXPECT_TRUE(isSeeThroughEnabled());
    EXPECT_EQ(emulated::CallLog::calls(), oneLoad);
}

struct FaultCase {
    const char* function;
    std::vector<std::string> names;
    bool enabled;
};

// A module path that cannot be had, or a file that cannot be opened, means
// no configuration, silently. Without a module handle the path is still the
// executable's: a null module names it.
TEST_F(ConfigPathTest, PlatformFailuresMeanNoConfiguration) {
    std::filesystem::path host = makeDirectory(L"host");
    placeExecutableIn(L"host");
    writeFile(host / "hmd_config.ini", kPadEntry);
    const std::vector<FaultCase> cases = {
        {"GetModuleFileNameW", kBuiltInNames, false},
        {"_wfopen", kBuiltInNames, false},
        {"GetModuleHandleW", {"Pad One"}, true},
    };
    for (const FaultCase& c : cases) {
        emulated::Faults::clear();
        std::size_t firedBefore = emulated::Faults::fired();
        LineRedirect out;
        emulated::Faults::failCall(c.function, 1, emulated::Faults::typicalError(c.function));
        std::vector<std::string> names = loadProductNames();
        emulated::Faults::failCall(c.function, 1, emulated::Faults::typicalError(c.function));
        bool enabled = isSeeThroughEnabled();
        EXPECT_EQ(out.lines(), Lines{}) << c.function;
        EXPECT_EQ(names, c.names) << c.function;
        EXPECT_EQ(enabled, c.enabled) << c.function;
        EXPECT_EQ(emulated::Faults::fired(), firedBefore + 2) << c.function;
    }
}

TEST_F(ConfigPathTest, DirectoryNamedLikeTheFileIsNoConfiguration) {
    std::filesystem::path host = makeDirectory(L"host");
    placeExecutableIn(L"host");
    std::filesystem::create_directory(host / "hmd_config.ini");
    LineRedirect out;
    std::vector<std::string> names = loadProductNames();
    bool enabled = isSeeThroughEnabled();
    EXPECT_EQ(out.lines(), Lines{});
    EXPECT_EQ(names, kBuiltInNames);
    EXPECT_FALSE(enabled);
}

// Paths past MAX_PATH: the executable's directory is found whole, and its
// file opened with the prefix that lifts the limit (the emulated _wfopen,
// like Windows', refuses such a path without it). A path cut at the first
// buffer would have named an ancestor's directory, whose file is a decoy.
TEST_F(ConfigPathTest, LongExecutablePathsFindTheirOwnFile) {
    std::filesystem::path decoy = makeDirectory(L"host");
    writeFile(decoy / "hmd_config.ini", kVisorEntry);
    for (std::size_t depth : {1u, 2u, 15u}) {
        std::wstring directory = L"host";
        for (std::size_t level = 0; level < depth; ++level) directory += L"\\" + std::wstring(250, L'n');
        std::filesystem::path host = makeDirectory(directory);
        writeFile(host / "hmd_config.ini", kPadEntry);
        placeExecutableIn(directory);
        const std::wstring path = emulated::System::executablePath();
        ASSERT_GT(path.size(), std::size_t{MAX_PATH}) << depth;
        EXPECT_EQ(loadProductNames(), std::vector<std::string>{"Pad One"}) << path.size() << " units";
        EXPECT_TRUE(isSeeThroughEnabled()) << path.size() << " units";
    }
}

// What the test above relies on of the emulated Windows: as Windows' own C
// library in a process that is not long-path aware, it opens a path of
// MAX_PATH units or more only with the "\\?\" prefix.
TEST_F(ConfigPathTest, TheEmulatedCLibraryOpensALongPathOnlyWithThePrefix) {
    const std::wstring longDirectory = L"host\\" + std::wstring(250, L'n');
    const std::filesystem::path shortFile = makeDirectory(L"host") / "hmd_config.ini";
    const std::filesystem::path longFile = makeDirectory(longDirectory) / "hmd_config.ini";
    writeFile(shortFile, kPadEntry);
    writeFile(longFile, kPadEntry);
    struct OpenCase {
        std::wstring path;
        bool opens;
    };
    const std::wstring shortPath = platformPath(shortFile);
    const std::wstring longPath = platformPath(longFile);
    ASSERT_LT(shortPath.size(), std::size_t{MAX_PATH});
    ASSERT_GE(longPath.size(), std::size_t{MAX_PATH});
    const std::vector<OpenCase> cases = {
        {shortPath, true}, {L"\\\\?\\" + shortPath, true}, {longPath, false}, {L"\\\\?\\" + longPath, true}};
    for (const OpenCase& c : cases) {
        errno = 0;
        std::FILE* file = _wfopen(c.path.c_str(), L"rb");
        EXPECT_EQ(file != nullptr, c.opens) << c.path.size() << " units";
        if (file) std::fclose(file);
        else EXPECT_EQ(errno, ENOENT);
    }
}

// Longer than any path Windows has, the executable's path is cut even at the
// largest buffer: then there is no file to read, not a cut path's.
TEST_F(ConfigPathTest, APathCutEvenAtTheLongestIsNoConfiguration) {
    std::filesystem::path host = makeDirectory(L"host");
    writeFile(host / "hmd_config.ini", kPadEntry);
    emulated::System::setExecutablePath(platformPath(host) + L"\\" + std::wstring(40000, L'n') + L"\\host.exe");
    LineRedirect out;
    EXPECT_EQ(loadProductNames(), kBuiltInNames);
    EXPECT_FALSE(isSeeThroughEnabled());
    EXPECT_EQ(out.lines(), Lines{});
}

}  // namespace
}  // namespace tamo::test
