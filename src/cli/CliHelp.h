#pragma once
// The texts of --help (UTF-8): the overview, or one command's options with
// their defaults, in the run's language.
#include <string>

struct TCliHelp {
    // `command` empty (or unknown): the overview of every command.
    static std::string Text(const std::string& command, bool japanese);
};
