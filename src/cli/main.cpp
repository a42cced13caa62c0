// vorlen-cli: the headless front end over the page and download engine.
#include <cstdio>
#include <cstring>
#include <string>

namespace {

const char* const kUsage =
    "Usage: vorlen-cli COMMAND [OPTIONS] ...\n"
    "\n"
    "The headless front end of Vorlen Tiram. It shares the engine and the data\n"
    "folder ($XDG_CONFIG_HOME/Vorlen, or ~/.config/Vorlen) with the window program.\n"
    "\n"
    "Options:\n"
    "  --help       show this text\n"
    "  --version    show the version\n";

} // namespace

int main(int argc, char** argv) {
    if (argc < 2 || std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
        std::fputs(kUsage, argc < 2 ? stderr : stdout);
        return argc < 2 ? 1 : 0;
    }
    if (std::strcmp(argv[1], "--version") == 0) {
        std::printf("vorlen-cli %s\n", VORLEN_CLI_VERSION);
        return 0;
    }
    std::fprintf(stderr, "vorlen-cli: unknown command '%s' (see vorlen-cli --help)\n", argv[1]);
    return 1;
}
