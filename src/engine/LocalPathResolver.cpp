#include "engine/LocalPathResolver.h"

#include "platform/CodePage.h"
#include "platform/SjisText.h"
#include "platform/WinPath.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

namespace {

std::string JoinNative(const std::string& folder, const std::string& name) {
    return folder == "/" ? "/" + name : folder + "/" + name;
}

} // namespace

TLocalPathResolver::TListing& TLocalPathResolver::List(const std::string& native) {
    auto [it, added] = listings_.try_emplace(native);
    TListing& listing = it->second;
    if (!added) return listing;
    DIR* dir = ::opendir(native.c_str());
    if (!dir) return listing;
    const int dfd = ::dirfd(dir);
    while (struct dirent* e = ::readdir(dir)) {
        std::string_view name = e->d_name;
        if (name == "." || name == "..") continue;
        TEntry entry;
        entry.Native = std::string(name);
        // The same conversion and folder test as the folder listing's.
        entry.Name = TCodePage::FromUtf8(name);
        struct stat st;
        if (::fstatat(dfd, e->d_name, &st, 0) == 0 || ::fstatat(dfd, e->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0)
            entry.IsFolder = S_ISDIR(st.st_mode);
        listing.Entries.push_back(std::move(entry));
    }
    ::closedir(dir);
    for (const TEntry& entry : listing.Entries) {
        THit& hit = listing.ByName[entry.Name];
        ++hit.Count;
        hit.Entry = &entry;
    }
    return listing;
}

const TLocalPathResolver::THits& TLocalPathResolver::Addresses(TListing& listing, const std::string& dirPart) {
    auto [it, added] = listing.ByAddress.try_emplace(dirPart);
    if (!added) return it->second;
    for (const TEntry& entry : listing.Entries) {
        TInetURLEx url("file://" + dirPart + entry.Name + (entry.IsFolder ? "/" : ""));
        THit& hit = it->second[url.GetCompURL()];
        ++hit.Count;
        hit.Entry = &entry;
    }
    return it->second;
}

std::string TLocalPathResolver::NativeFolder(std::string_view winFolder) {
    const std::string path = TWinPath::ExcludeTrailingBackslash(winFolder);
    if (path.size() < 2 || !TWinPath::HasDrive(path) || (path[0] != 'C' && path[0] != 'c'))
        return std::string();
    if (path.size() == 2) return "/";
    if (path[2] != '\\') return std::string();
    auto known = folders_.find(path);
    if (known != folders_.end()) return known->second;

    std::string result;
    const std::string parent = NativeFolder(TWinPath::ExtractFilePath(path));
    const std::string name = TWinPath::ExtractFileName(path);
    if (!parent.empty() && !name.empty()) {
        const TListing& listing = List(parent);
        auto hit = listing.ByName.find(name);
        if (hit != listing.ByName.end() && hit->second.Count == 1 && hit->second.Entry->IsFolder)
            result = JoinNative(parent, hit->second.Entry->Native);
    }
    folders_.emplace(path, result);
    return result;
}

std::string TLocalPathResolver::NativePath(const TQorFile& record) {
    const TInetURLEx& url = *record.URL;
    if (record.Kind != TQorFile::kLocal || url.Scheme != "file") return std::string();

    // The folder address the entry was listed under.
    std::string dirPart = url.Dir;
    if (url.FileName.empty()) {
        if (url.Dir.size() <= 4) return NativeFolder(url.GetLocalPath()); // "/C|/": the root
        const size_t cut = TSjisText::FindLastChar(std::string_view(dirPart).substr(0, dirPart.size() - 1), '/');
        if (cut == std::string::npos) return std::string();
        dirPart.resize(cut + 1);
    }
    TInetURLEx folderURL;
    folderURL.Scheme = "file";
    folderURL.Dir = dirPart;
    const std::string parent = NativeFolder(folderURL.GetLocalPath());
    if (parent.empty()) return std::string();

    TListing& listing = List(parent);
    const THits& hits = Addresses(listing, dirPart);
    auto hit = hits.find(url.GetCompURL());
    if (hit == hits.end() || hit->second.Count != 1) return std::string();
    return JoinNative(parent, hit->second.Entry->Native);
}
