#pragma once
// Runs one vorlen-cli command in this process, as main() does, and gives
// back its exit status, standard output and standard error. The data folder
// is wherever XDG_CONFIG_HOME points (the tests set it to a temporary one).
#include "cli/CliEngine.h"
#include "cli/CliOptions.h"

#include <cstdio>
#include <string>
#include <vector>

struct TCliRun {
    int status = -1;
    std::string out;
    std::string err;
};

inline std::string ReadBackAndClose(FILE* f) {
    std::string text;
    std::rewind(f);
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) text.append(buffer, n);
    std::fclose(f);
    return text;
}

// `args` without the program name.
template <typename TCommand>
TCliRun RunCli(std::vector<const char*> args) {
    args.insert(args.begin(), "vorlen-cli");
    TCliOptions options;
    std::string error;
    TCliRun run;
    TCliEngine engine;
    if (!options.Parse(static_cast<int>(args.size()), args.data(), error) || !engine.Init(error, options.Japanese)) {
        run.status = 1;
        run.err = error;
        return run;
    }
    engine.ApplyOptions(options);
    FILE* out = std::tmpfile();
    FILE* err = std::tmpfile();
    run.status = TCommand(engine, options, out, err).Run();
    run.out = ReadBackAndClose(out);
    run.err = ReadBackAndClose(err);
    return run;
}
