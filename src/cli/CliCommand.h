#pragma once
// A vorlen-cli command: runs against the shared engine state with the
// parsed command line, writes its results to `out` and its messages to
// `err` (UTF-8), and answers the exit status.
#include "cli/CliOptions.h"

#include <cstdio>

class TCliEngine;

class TCliCommand {
public:
    TCliCommand(TCliEngine& engine, const TCliOptions& options, FILE* out, FILE* err)
        : engine_(engine), options_(options), out_(out), err_(err) {}
    virtual ~TCliCommand() = default;
    TCliCommand(const TCliCommand&) = delete;
    TCliCommand& operator=(const TCliCommand&) = delete;

    virtual int Run() = 0;

protected:
    TCliEngine& engine_;
    const TCliOptions& options_;
    FILE* out_;
    FILE* err_;
};
