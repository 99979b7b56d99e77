// Where the real DLL's diagnostic lines go, chosen by
// TAMO_SETTINGS_DIAGNOSTICS in the host's environment: a host process is
// started as a debugger starts one, and what it writes to standard output
// and to the debugger (OutputDebugString) is compared.
#include <gtest/gtest.h>

#include "beside_program.h"
#include "platform/win32.h"

#include <optional>
#include <string>
#include <vector>

namespace tamo::test {
namespace {

struct Handle {
    HANDLE value = nullptr;
    ~Handle() {
        if (value && value != INVALID_HANDLE_VALUE) CloseHandle(value);
    }
};

// A directory of its own for one host run: the host, the DLL and a
// malformed hmd_config.ini, which every call reports in two lines.
class HostDirectory {
public:
    HostDirectory() {
        wchar_t temp[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, temp);
        path_ = std::wstring(temp) + L"tamo-diagnostics-" + std::to_wstring(GetCurrentProcessId());
        CreateDirectoryW(path_.c_str(), nullptr);
        CopyFileW(besideProgram(L"diagnostics_host.exe").c_str(), file(L"diagnostics_host.exe").c_str(), FALSE);
        CopyFileW(besideProgram(L"tamo_settings.dll").c_str(), file(L"tamo_settings.dll").c_str(), FALSE);
        Handle config{CreateFileW(file(L"hmd_config.ini").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0,
                                  nullptr)};
        DWORD written = 0;
        WriteFile(config.value, "# not a pair\n", 13, &written, nullptr);
    }
    ~HostDirectory() {
        for (const wchar_t* name : {L"diagnostics_host.exe", L"tamo_settings.dll", L"hmd_config.ini"}) {
            DeleteFileW(file(name).c_str());
        }
        RemoveDirectoryW(path_.c_str());
    }
    std::wstring file(const std::wstring& name) const { return path_ + L"\\" + name; }

private:
    std::wstring path_;
};

struct HostRun {
    std::string stdoutText;
    std::vector<std::string> debuggerTexts;
    DWORD exitCode = 99;
};

// The text an OUTPUT_DEBUG_STRING_EVENT points to in the host's memory.
std::string debugString(HANDLE process, const OUTPUT_DEBUG_STRING_INFO& info) {
    const std::size_t unit = info.fUnicode ? 2 : 1;
    std::vector<char> bytes(static_cast<std::size_t>(info.nDebugStringLength) * unit);
    SIZE_T read = 0;
    ReadProcessMemory(process, info.lpDebugStringData, bytes.data(), bytes.size(), &read);
    std::string text;
    for (std::size_t i = 0; i + unit <= read; i += unit) {
        if (bytes[i] == 0 && (unit == 1 || bytes[i + 1] == 0)) break;
        text += bytes[i];
    }
    return text;
}

// Runs the host with the variable set to `value` (unset for none), as its
// debugger, its standard output into a pipe.
HostRun runHost(const std::optional<std::wstring>& value) {
    HostDirectory directory;
    HostRun run;
    SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    Handle readEnd;
    Handle writeEnd;
    if (!CreatePipe(&readEnd.value, &writeEnd.value, &inheritable, 1 << 16)) return run;
    SetHandleInformation(readEnd.value, HANDLE_FLAG_INHERIT, 0);
    SetEnvironmentVariableW(L"TAMO_SETTINGS_DIAGNOSTICS", value ? value->c_str() : nullptr);

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writeEnd.value;
    startup.hStdError = writeEnd.value;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION process{};
    std::wstring command = L"\"" + directory.file(L"diagnostics_host.exe") + L"\"";
    const BOOL started = CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE,
                                        DEBUG_ONLY_THIS_PROCESS | CREATE_NO_WINDOW, nullptr, nullptr, &startup,
                                        &process);
    SetEnvironmentVariableW(L"TAMO_SETTINGS_DIAGNOSTICS", nullptr);
    if (!started) return run;
    Handle processHandle{process.hProcess};
    Handle threadHandle{process.hThread};
    CloseHandle(writeEnd.value);
    writeEnd.value = nullptr;

    for (bool running = true; running;) {
        DEBUG_EVENT event{};
        if (!WaitForDebugEvent(&event, 60000)) break;
        DWORD status = DBG_CONTINUE;
        switch (event.dwDebugEventCode) {
        case OUTPUT_DEBUG_STRING_EVENT:
            run.debuggerTexts.push_back(debugString(process.hProcess, event.u.DebugString));
            break;
        case CREATE_PROCESS_DEBUG_EVENT:
            if (event.u.CreateProcessInfo.hFile) CloseHandle(event.u.CreateProcessInfo.hFile);
            break;
        case LOAD_DLL_DEBUG_EVENT:
            if (event.u.LoadDll.hFile) CloseHandle(event.u.LoadDll.hFile);
            break;
        case EXCEPTION_DEBUG_EVENT:
            // The loader's first breakpoint is the debugger's to pass over.
            if (event.u.Exception.ExceptionRecord.ExceptionCode != EXCEPTION_BREAKPOINT) {
                status = DBG_EXCEPTION_NOT_HANDLED;
            }
            break;
        case EXIT_PROCESS_DEBUG_EVENT:
            run.exitCode = event.u.ExitProcess.dwExitCode;
            running = false;
            break;
        default:
            break;
        }
        ContinueDebugEvent(event.dwProcessId, event.dwThreadId, status);
    }
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(readEnd.value, buffer, sizeof buffer, &got, nullptr) && got > 0) run.stdoutText.append(buffer, got);
    return run;
}

const std::string kFirstLine = "strtok_r() is failed!!";
const std::string kSecondLine = "getKeyValueFromBuffer(# not a pair) is failed!!";

bool holds(const std::vector<std::string>& texts, const std::string& text) {
    for (const std::string& each : texts) {
        if (each == text) return true;
    }
    return false;
}

struct SinkCase {
    std::optional<std::wstring> value;
    bool onStdout;
    bool toDebugger;
};

TEST(DiagnosticsSink, TheVariableSendsTheLinesToStdoutTheDebuggerOrNowhere) {
    const std::vector<SinkCase> cases = {
        {std::nullopt, true, false}, {L"stdout", true, false},   {L"debugger", false, true},
        {L"Debugger", false, true},  {L"off", false, false},     {L"verbose", true, false},
    };
    for (const SinkCase& c : cases) {
        const std::string what = c.value ? std::string(c.value->begin(), c.value->end()) : "(not set)";
        HostRun run = runHost(c.value);
        EXPECT_EQ(run.exitCode, 0u) << what;
        EXPECT_EQ(run.stdoutText, c.onStdout ? kFirstLine + "\r\n" + kSecondLine + "\r\n" : "") << what;
        EXPECT_EQ(holds(run.debuggerTexts, kFirstLine + "\n"), c.toDebugger) << what;
        EXPECT_EQ(holds(run.debuggerTexts, kSecondLine + "\n"), c.toDebugger) << what;
    }
}

}  // namespace
}  // namespace tamo::test
