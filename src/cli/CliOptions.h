#pragma once
// The command line of vorlen-cli: the command, its addresses and the
// options shared by the commands. Texts stay as given (UTF-8); the commands
// convert them to the program's code page.
#include <optional>
#include <string>
#include <vector>

struct TCliOptions {
    std::string Command;                // "list", "head", "source"
    std::vector<std::string> Addresses; // in the order given
    bool NoCache = false;
    std::string Charset;                // "", "sjis", "euc", "jis", "utf8"
    std::string ProxyHost;
    int ProxyPort = 0;
    std::optional<std::string> User;
    std::optional<std::string> Password;
    std::optional<int> Timeout;         // seconds
    bool NoRedirect = false;
    bool NoTextSearch = false;
    bool Help = false;
    bool Version = false;

    // Reads argv[1..]. False with `error` set (one line, no "vorlen-cli:"
    // prefix) when the command line is wrong.
    bool Parse(int argc, const char* const* argv, std::string& error);
};
