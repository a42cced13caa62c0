#include "cli/CliOptions.h"

#include <charconv>
#include <cstdint>
#include <string_view>

namespace {

bool ReadSize(std::string_view text, uint64_t& value) {
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size() && value <= UINT64_MAX / 1024;
}

bool ReadInt(std::string_view text, int low, int high, int& value) {
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size() && value >= low && value <= high;
}

} // namespace

bool TCliOptions::Parse(int argc, const char* const* argv, std::string& error) {
    for (int i = 1; i < argc; ++i) {
        std::string_view arg = argv[i];
        // Options that take a value accept "--name value" and "--name=value".
        std::string_view name = arg, inlineValue;
        bool hasInline = false;
        if (arg.starts_with("--")) {
            if (size_t eq = arg.find('='); eq != std::string_view::npos) {
                name = arg.substr(0, eq);
                inlineValue = arg.substr(eq + 1);
                hasInline = true;
            }
        }
        auto value = [&](std::string_view& out) {
            if (hasInline) {
                out = inlineValue;
                return true;
            }
            if (i + 1 >= argc) {
                error = "option " + std::string(name) + " needs a value";
                return false;
            }
            out = argv[++i];
            return true;
        };
        std::string_view v;
        if (name == "--help" || name == "-h") {
            Help = true;
        } else if (name == "--version") {
            Version = true;
        } else if (name == "--no-cache") {
            NoCache = true;
        } else if (name == "--no-redirect") {
            NoRedirect = true;
        } else if (name == "--no-text-search") {
            NoTextSearch = true;
        } else if (name == "--charset") {
            if (!value(v)) return false;
            if (v != "sjis" && v != "euc" && v != "jis" && v != "utf8") {
                error = "--charset must be one of sjis, euc, jis, utf8";
                return false;
            }
            Charset = v;
        } else if (name == "--proxy") {
            if (!value(v)) return false;
            size_t colon = v.rfind(':');
            if (colon == std::string_view::npos || colon == 0 ||
                !ReadInt(v.substr(colon + 1), 1, 65535, ProxyPort)) {
                error = "--proxy must be HOST:PORT with a port from 1 to 65535";
                return false;
            }
            ProxyHost = v.substr(0, colon);
        } else if (name == "--user") {
            if (!value(v)) return false;
            User = std::string(v);
        } else if (name == "--password") {
            if (!value(v)) return false;
            Password = std::string(v);
        } else if (name == "--timeout") {
            if (!value(v)) return false;
            int seconds = 0;
            if (!ReadInt(v, 1, 999, seconds)) {
                error = "--timeout must be a number of seconds from 1 to 999";
                return false;
            }
            Timeout = seconds;
        } else if (name == "-i") {
            if (!value(v)) return false;
            InputFile = v;
        } else if (name == "-d") {
            if (!value(v)) return false;
            SaveFolder = v;
        } else if (name == "-j") {
            if (!value(v)) return false;
            if (!ReadInt(v, 1, 9, Parallel)) {
                error = "-j must be a number from 1 to 9";
                return false;
            }
        } else if (name == "--retry" || name == "--retry-wait") {
            if (!value(v)) return false;
            int n = 0;
            if (!ReadInt(v, name == "--retry" ? 1 : 0, 9999, n)) {
                error = std::string(name) + (name == "--retry" ? " must be a number from 1 to 9999"
                                                               : " must be a number of seconds from 0 to 9999");
                return false;
            }
            (name == "--retry" ? Retry : RetryWait) = n;
        } else if (name == "--dir-reapp") {
            DirReapp = true;
        } else if (name == "--skip-at-most" || name == "--skip-at-least") {
            if (!value(v)) return false;
            uint64_t kb = 0;
            if (!ReadSize(v, kb)) {
                error = std::string(name) + " must be a size in KB";
                return false;
            }
            (name == "--skip-at-most" ? SkipAtMostKB : SkipAtLeastKB) = kb;
        } else if (name == "--unfinished") {
            Unfinished = true;
        } else if (name == "-l") {
            // Checked by the command, with the cascade tab's messages.
            if (!value(v)) return false;
            Levels = std::string(v);
        } else if (name == "--scope") {
            if (!value(v)) return false;
            if (v == "all") Scope = 0;
            else if (v == "below") Scope = 1;
            else if (v == "only") Scope = 2;
            else {
                error = "--scope must be one of all, below, only";
                return false;
            }
        } else if (name == "--ext") {
            if (!value(v)) return false;
            Ext = v;
        } else if (name == "--page-query") {
            if (!value(v)) return false;
            PageQuery = v;
        } else if (name == "--file-query") {
            if (!value(v)) return false;
            FileQuery = v;
        } else if (name == "--list") {
            ListOnly = true;
        } else if (arg.starts_with("-") && arg.size() > 1) {
            error = "unknown option " + std::string(arg);
            return false;
        } else if (Command.empty()) {
            Command = arg;
        } else {
            Addresses.emplace_back(arg);
        }
    }
    if (Help || Version) return true;
    if (Command.empty()) {
        error = "no command given";
        return false;
    }
    if (Command != "list" && Command != "head" && Command != "source" && Command != "get" && Command != "cascade") {
        error = "unknown command '" + Command + "'";
        return false;
    }
    if ((Command == "get" || Command == "cascade") && SkipAtMostKB && SkipAtLeastKB) {
        error = "--skip-at-most and --skip-at-least cannot be used together";
        return false;
    }
    if (Command == "get") {
        if (Addresses.empty() && InputFile.empty() && !Unfinished) {
            error = "get needs addresses, -i FILE or --unfinished";
            return false;
        }
        return true;
    }
    if (Command == "cascade" && !Levels) {
        error = "cascade needs -l LEVELS";
        return false;
    }
    if (Addresses.size() != 1) {
        error = Command + " takes exactly one address";
        return false;
    }
    return true;
}
