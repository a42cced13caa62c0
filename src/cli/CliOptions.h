#pragma once
// The command line of vorlen-cli: the command, its addresses and the
// options shared by the commands. Texts stay as given (UTF-8); the commands
// convert them to the program's code page. The run's language comes with
// them (from the locale, see TCliLanguage).
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct TCliOptions {
    std::string Command;                // "list", "head", "source", "get", "cascade"
    std::vector<std::string> Addresses; // in the order given
    bool NoCache = false;
    std::string Charset;                // "", "sjis", "euc", "jis", "utf8" (from the usual names)
    std::string ProxyHost;
    std::string CaFile; // --ca-file: one more authority for https, trusted once Parse has read it
    int ProxyPort = 0;
    std::optional<std::string> User;
    std::optional<std::string> Password;
    std::optional<int> Timeout;         // seconds
    bool NoRedirect = false;
    bool KeepAlive = false;             // --keep-alive: persistent connections
    bool NoTextSearch = false;
    // get
    std::string InputFile;              // -i FILE; "-" is standard input
    std::string SaveFolder;             // -d FOLDER
    int Parallel = 0;                   // -j N (1 to 9); 0: option.dat's LoadCount
    std::optional<int> Retry;           // attempts per file (--tries 0: INT_MAX, no limit)
    std::optional<int> RetryWait;       // seconds between attempts
    bool DirReapp = false;
    std::optional<uint64_t> SkipAtMostKB;
    std::optional<uint64_t> SkipAtLeastKB;
    bool Unfinished = false;
    // cascade
    std::optional<std::string> Levels;  // -l, as typed
    int Scope = 0;                      // --scope all (0), below (1), only (2)
    std::string Ext;                    // --ext jpg:gif
    std::string PageQuery;
    std::string FileQuery;
    bool ListOnly = false;              // --list
    bool Help = false;
    bool Version = false;
    bool Japanese = false;              // the run's language

    // The attempts per file when --tries is not given (wget's default);
    // the window program keeps its own.
    static constexpr int kDefaultTries = 20;

    // Reads the language from the environment, then argv[1..]. False with
    // `error` set (one line, UTF-8, no "vorlen-cli:" prefix) when the
    // command line is wrong.
    bool Parse(int argc, const char* const* argv, std::string& error);
};
