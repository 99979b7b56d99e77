// tamo-sound: the command-line host of tamo_settings.
#include "app.h"
#include "text_paths.h"

#include <string>
#include <vector>

#if defined(_WIN32)
// Wide arguments: paths with any characters reach the tool intact.
int wmain(int argc, wchar_t** argv) {
    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i) arguments.push_back(tamo::tool::utf8FromWide(argv[i]));
    return tamo::tool::runTool(arguments);
}
#else
#include <csignal>

int main(int argc, char** argv) {
    // A reader that goes away (| head) makes a write fail with EPIPE, which
    // the tool reports as exit status 14, instead of ending it by SIGPIPE.
    std::signal(SIGPIPE, SIG_IGN);
    return tamo::tool::runTool(std::vector<std::string>(argv + 1, argv + argc));
}
#endif
