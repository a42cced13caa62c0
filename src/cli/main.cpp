// vorlen-cli: the headless front end over the page and download engine.
#include "cli/CliCascadeCommand.h"
#include "cli/CliEngine.h"
#include "cli/CliGetCommand.h"
#include "cli/CliHelp.h"
#include "cli/CliOptions.h"
#include "cli/CliPageCommand.h"
#include "platform/Thread.h"

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
    TCliOptions options;
    std::string error;
    if (!options.Parse(argc, argv, error)) {
        std::fprintf(stderr, options.Japanese ? "vorlen-cli: %s (vorlen-cli --help を参照)\n"
                                              : "vorlen-cli: %s (see vorlen-cli --help)\n",
                     error.c_str());
        return 1;
    }
    if (options.Help) {
        std::fputs(TCliHelp::Text(options.Command, options.Japanese).c_str(), stdout);
        return 0;
    }
    if (options.Version) {
        std::printf("vorlen-cli %s\n", VORLEN_CLI_VERSION);
        return 0;
    }
    TThread::SetMainThread();
    TCliEngine engine;
    if (!engine.Init(error, options.Japanese)) {
        std::fprintf(stderr, "vorlen-cli: %s\n", error.c_str());
        return 1;
    }
    engine.ApplyOptions(options);
    if (options.Command == "get") return TCliGetCommand(engine, options, stdout, stderr).Run();
    if (options.Command == "cascade") return TCliCascadeCommand(engine, options, stdout, stderr).Run();
    return TCliPageCommand(engine, options, stdout, stderr).Run();
}
