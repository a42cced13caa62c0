#include "cli/CliOptions.h"

#include "cli/CliLanguage.h"
#include "platform/TlsTransport.h"

#include <cctype>
#include <charconv>
#include <climits>
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

// The usual names of the four encodings, in any letter case, with or
// without "-" and "_": Shift_JIS, EUC-JP, ISO-2022-JP, UTF-8 and the short
// forms.
std::string CharsetName(std::string_view text) {
    std::string key;
    for (char c : text)
        if (c != '-' && c != '_') key += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (key == "sjis" || key == "shiftjis" || key == "cp932" || key == "windows31j" || key == "mskanji") return "sjis";
    if (key == "euc" || key == "eucjp") return "euc";
    if (key == "jis" || key == "iso2022jp") return "jis";
    if (key == "utf8") return "utf8";
    return "";
}

} // namespace

bool TCliOptions::Parse(int argc, const char* const* argv, std::string& error) {
    Japanese = TCliLanguage::FromEnvironment();
    auto say = [this](std::string_view ja, std::string_view en) { return std::string(Japanese ? ja : en); };
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
                error = say("オプション " + std::string(name) + " には値が必要です",
                            "option " + std::string(name) + " needs a value");
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
        } else if (name == "--keep-alive") {
            KeepAlive = true;
        } else if (name == "--no-text-search") {
            NoTextSearch = true;
        } else if (name == "--charset") {
            if (!value(v)) return false;
            Charset = CharsetName(v);
            if (Charset.empty()) {
                error = say("--charset には Shift_JIS、EUC-JP、ISO-2022-JP、UTF-8 (または sjis、euc、jis、utf8) を指定してください",
                            "--charset must be one of Shift_JIS, EUC-JP, ISO-2022-JP, UTF-8 (or sjis, euc, jis, utf8)");
                return false;
            }
        } else if (name == "--proxy") {
            if (!value(v)) return false;
            size_t colon = v.rfind(':');
            if (colon == std::string_view::npos || colon == 0 ||
                !ReadInt(v.substr(colon + 1), 1, 65535, ProxyPort)) {
                error = say("--proxy は HOST:PORT (ポートは 1 から 65535) で指定してください",
                            "--proxy must be HOST:PORT with a port from 1 to 65535");
                return false;
            }
            ProxyHost = v.substr(0, colon);
        } else if (name == "--ca-file") {
            if (!value(v)) return false;
            CaFile = std::string(v);
            // Read at once, so that a file that is not one is a usage error.
            if (!TTlsTransport::TrustAlso(CaFile)) {
                error = say("--ca-file のファイルから証明書を読めません: " + CaFile,
                            "--ca-file: no certificate can be read from " + CaFile);
                return false;
            }
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
                error = say("--timeout は 1 から 999 の秒数で指定してください",
                            "--timeout must be a number of seconds from 1 to 999");
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
                error = say("-j は 1 から 9 の数で指定してください", "-j must be a number from 1 to 9");
                return false;
            }
        } else if (name == "--retry" || name == "--tries" || name == "-t") {
            if (!value(v)) return false;
            int n = 0;
            if (!ReadInt(v, 0, 9999, n)) {
                error = say(std::string(name) + " は 0 (無制限) から 9999 の数で指定してください",
                            std::string(name) + " must be a number from 0 (no limit) to 9999");
                return false;
            }
            Retry = n == 0 ? INT_MAX : n;
        } else if (name == "--retry-wait") {
            if (!value(v)) return false;
            int n = 0;
            if (!ReadInt(v, 0, 9999, n)) {
                error = say("--retry-wait は 0 から 9999 の秒数で指定してください",
                            "--retry-wait must be a number of seconds from 0 to 9999");
                return false;
            }
            RetryWait = n;
        } else if (name == "--dir-reapp") {
            DirReapp = true;
        } else if (name == "--skip-at-most" || name == "--skip-at-least") {
            if (!value(v)) return false;
            uint64_t kb = 0;
            if (!ReadSize(v, kb)) {
                error = say(std::string(name) + " は KB 単位のサイズで指定してください",
                            std::string(name) + " must be a size in KB");
                return false;
            }
            (name == "--skip-at-most" ? SkipAtMostKB : SkipAtLeastKB) = kb;
        } else if (name == "--unfinished") {
            Unfinished = true;
        } else if (name == "-l") {
            // Checked by the command, with the cascade tab's checks.
            if (!value(v)) return false;
            Levels = std::string(v);
        } else if (name == "--scope") {
            if (!value(v)) return false;
            if (v == "all") Scope = 0;
            else if (v == "below") Scope = 1;
            else if (v == "only") Scope = 2;
            else {
                error = say("--scope には all、below、only のどれかを指定してください",
                            "--scope must be one of all, below, only");
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
            error = say("不明なオプション " + std::string(arg), "unknown option " + std::string(arg));
            return false;
        } else if (Command.empty()) {
            Command = arg;
        } else {
            Addresses.emplace_back(arg);
        }
    }
    if (Help || Version) return true;
    if (Command.empty()) {
        error = say("コマンドがありません", "no command given");
        return false;
    }
    if (Command != "list" && Command != "head" && Command != "source" && Command != "get" && Command != "cascade") {
        error = say("不明なコマンド '" + Command + "'", "unknown command '" + Command + "'");
        return false;
    }
    if ((Command == "get" || Command == "cascade") && SkipAtMostKB && SkipAtLeastKB) {
        error = say("--skip-at-most と --skip-at-least は同時に使えません",
                    "--skip-at-most and --skip-at-least cannot be used together");
        return false;
    }
    if (Command == "get") {
        if (Addresses.empty() && InputFile.empty() && !Unfinished) {
            error = say("get にはアドレス、-i FILE または --unfinished が必要です",
                        "get needs addresses, -i FILE or --unfinished");
            return false;
        }
        return true;
    }
    if (Command == "cascade" && !Levels) {
        error = say("cascade には -l LEVELS が必要です", "cascade needs -l LEVELS");
        return false;
    }
    if (Addresses.size() != 1) {
        error = say(Command + " にはアドレスを一つだけ指定してください", Command + " takes exactly one address");
        return false;
    }
    return true;
}
