#include "cli/CliEngine.h"

#include "engine/QorFile.h"
#include "engine/QorLoadManager.h"
#include "engine/QorPageItems.h"
#include "platform/CodePage.h"
#include "platform/FileOps.h"
#include "platform/SjisText.h"
#include "platform/StringTable.h"
#include "platform/SystemFolders.h"
#include "platform/WinPath.h"

#include <memory>

TCliEngine::TCliEngine() = default;

bool TCliEngine::Init(std::string& error, bool japanese) {
    // No screen here: the window-position file keeps the defaults of a
    // 1024 x 768 screen, and the command line never writes it.
    Setting = std::make_unique<TSetting>(1024, 768);
    if (Setting->InitError || Setting->DataFolder.empty()) {
        const std::string appData = TSystemFolders::AppDataFolder();
        const std::string folder = appData.empty() ? std::string() : TWinPath::ToNative(appData + "Vorlen\\");
        error = japanese ? TCodePage::ToUtf8(TStringTable::Get(55)) + " (" + folder + ")"
                         : "cannot set up the data folder " + (folder.empty() ? "($XDG_CONFIG_HOME and $HOME are not set)" : folder);
        return false;
    }
    const std::string& data = Setting->DataFolder;
    Option.LoadFromFile(data + "option.dat");
    Conn.LoadFromFile(data + "connect.dat");
    Uncache.FilePath = data + "uncache.dat";
    Uncache.LoadFromFile();
    Replacer.LoadFromFile(data + "urlrep.dat");
    return true;
}

void TCliEngine::ApplyOptions(const TCliOptions& options) {
    if (!options.ProxyHost.empty()) {
        Conn.SetUseProxy(true);
        Conn.SetProxy(TCodePage::FromUtf8(options.ProxyHost));
        Conn.SetProxyPort(options.ProxyPort);
    }
    if (options.Timeout) Conn.SetTimeout(*options.Timeout);
    if (options.NoRedirect) Conn.SetRedirect(false);
    if (options.KeepAlive) Conn.SetKeepAlive(true);
}

void TCliEngine::Configure(TQorLoadManager& manager, const TCliOptions& options) {
    manager.Conn = &Conn;
    manager.SetCachePath(Setting->CacheFolder);
    manager.SetCacheSize(Option.CacheSize);
    manager.UseCache = Option.UseCache;
    manager.UnreadCache = options.NoCache;
    manager.ModifyLimit = Option.ModifyLimit;
    manager.SetUncachePage(&Uncache);
    manager.SetReplacer(&Replacer);
    manager.ForceCharset = CharsetOption(options);
    manager.PageItems->SearchAnchor = Option.SearchAnchor && !options.NoTextSearch;
    manager.PageItems->SearchFile = Option.SearchFile;
}

TQorLoadThread::TAuthorizeEvent TCliEngine::Authorizer(const TCliOptions& options) {
    if (!options.User && !options.Password) return nullptr;
    const std::string user = TCodePage::FromUtf8(options.User.value_or(""));
    const std::string password = TCodePage::FromUtf8(options.Password.value_or(""));
    // Copies of the handler go to every page load; they share what was
    // answered last.
    auto answered = std::make_shared<std::string>();
    auto first = std::make_shared<bool>(true);
    return [=](const TQorFile& file, std::string& u, std::string& p) {
        const std::string address = file.URL->GetCompURL();
        if (!*first && *answered == address) return false;
        *first = false;
        *answered = address;
        u = user;
        p = password;
        return true;
    };
}

TCharsetType TCliEngine::CharsetOption(const TCliOptions& options) {
    if (options.Charset == "sjis") return ctSjis;
    if (options.Charset == "euc") return ctEuc;
    if (options.Charset == "jis") return ctJis;
    if (options.Charset == "utf8") return ctUtf8;
    return ctUnknown;
}

std::string TCliEngine::AddressFromArgument(const std::string& argument) {
    if (argument.empty() || argument[0] != '/') return TCodePage::FromUtf8(argument);
    // As a dropped path becomes an address: "file:///" + the drive path,
    // with "/" added for a folder.
    std::string path = TWinPath::FromNative(argument);
    std::string address = "file:///" + path;
    // The last character counted whole: a double-byte character may end in
    // the byte of "\".
    size_t last = address.size() - 1;
    bool endsWithSeparator = TSjisText::FindLastChar(address, '\\') == last ||
                             TSjisText::FindLastChar(address, '/') == last;
    if (TFileOps::DirectoryExists(path) && !endsWithSeparator) address += "/";
    return address;
}
