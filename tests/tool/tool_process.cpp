#include "tool_process.h"

#include <fcntl.h>
#include <pty.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

extern char** environ;

namespace tamo::test {
namespace {

std::vector<char*> pointers(std::vector<std::string>& texts) {
    std::vector<char*> result;
    for (std::string& text : texts) result.push_back(text.data());
    result.push_back(nullptr);
    return result;
}

// The environment of this process with `changes` applied: an empty value
// removes the variable.
std::vector<std::string> environmentWith(const std::map<std::string, std::string>& changes) {
    std::vector<std::string> variables;
    for (char** entry = environ; *entry; ++entry) {
        std::string variable = *entry;
        if (!changes.count(variable.substr(0, variable.find('=')))) variables.push_back(variable);
    }
    for (const auto& [name, value] : changes) {
        if (!value.empty()) variables.push_back(name + "=" + value);
    }
    return variables;
}

// Output goes to files rather than pipes: no deadlock however much the
// program writes to either stream.
// `stdoutPath`: where standard output goes instead of a file that is read
// back (a device such as /dev/full).
ToolRun spawn(const std::vector<std::string>& argv, const std::map<std::string, std::string>& environment,
              const std::string& input, const std::filesystem::path& stdoutPath = {}) {
    ScratchDirectory scratch;
    std::filesystem::path in = scratch.write("stdin", input);
    std::filesystem::path out = stdoutPath.empty() ? scratch.path() / "stdout" : stdoutPath;
    std::filesystem::path err = scratch.path() / "stderr";

    std::vector<std::string> variables = environmentWith(environment);
    std::vector<std::string> arguments = argv;

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, in.c_str(), O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    pid_t pid = 0;
    std::vector<char*> argumentPointers = pointers(arguments);
    std::vector<char*> variablePointers = pointers(variables);
    int error = posix_spawnp(&pid, arguments[0].c_str(), &actions, nullptr, argumentPointers.data(),
                             variablePointers.data());
    posix_spawn_file_actions_destroy(&actions);
    ToolRun run;
    if (error != 0) {
        run.err = "cannot start " + arguments[0];
        return run;
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
    }
    if (WIFEXITED(status)) run.exitStatus = WEXITSTATUS(status);
    if (stdoutPath.empty()) run.out = readFile(out);
    run.err = readFile(err);
    return run;
}

}  // namespace

ToolRun runTool(const std::vector<std::string>& arguments, const std::map<std::string, std::string>& environment) {
    std::vector<std::string> argv = {TAMO_SOUND_PATH};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    return spawn(argv, environment, "");
}

ToolRun runToolWithStdout(const std::vector<std::string>& arguments, const std::filesystem::path& stdoutPath,
                          const std::map<std::string, std::string>& environment) {
    std::vector<std::string> argv = {TAMO_SOUND_PATH};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    return spawn(argv, environment, "", stdoutPath);
}

ToolRun runToolOnTerminal(const std::vector<std::string>& arguments,
                          const std::map<std::string, std::string>& environment) {
    std::vector<std::string> argv = {TAMO_SOUND_PATH};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    std::vector<std::string> variables = environmentWith(environment);
    std::vector<char*> argumentPointers = pointers(argv);
    std::vector<char*> variablePointers = pointers(variables);
    int terminal = -1;
    pid_t pid = forkpty(&terminal, nullptr, nullptr, nullptr);
    ToolRun run;
    if (pid < 0) {
        run.err = "forkpty failed";
        return run;
    }
    if (pid == 0) {
        execve(argumentPointers[0], argumentPointers.data(), variablePointers.data());
        _exit(127);
    }
    char buffer[4096];
    for (;;) {
        ssize_t count = read(terminal, buffer, sizeof buffer);
        if (count > 0) {
            run.out.append(buffer, static_cast<std::size_t>(count));
        } else if (count < 0 && errno == EINTR) {
            continue;
        } else {
            break;  // end of output: EIO once the child has closed the terminal
        }
    }
    close(terminal);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
    }
    if (WIFEXITED(status)) run.exitStatus = WEXITSTATUS(status);
    return run;
}

ToolRun runProgram(const std::vector<std::string>& argv, const std::string& input) { return spawn(argv, {}, input); }

}  // namespace tamo::test
