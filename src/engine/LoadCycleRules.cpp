#include "engine/LoadCycleRules.h"

#include "engine/QorFile.h"
#include "engine/QorLoadManager.h"
#include "platform/SjisText.h"
#include "platform/StringTable.h"
#include "platform/WinPath.h"

namespace {

std::string Ext(const std::string& fileName) {
    return TSjisText::LowerCase(TWinPath::ExtractFileExt(fileName));
}

std::string InParentheses(const std::string& reason) { return reason.empty() ? reason : " (" + reason + ")"; }

} // namespace

std::string TLoadCycleRules::StartURL(const std::vector<std::string>& arguments) {
    std::string text;
    for (size_t i = 1; i < arguments.size(); ++i) {
        if (i > 1) text += ' ';
        text += arguments[i];
    }
    return TSjisText::Trim(text);
}

std::string TLoadCycleRules::OpeningText(const TQorFile& file) {
    return TStringTable::Get(1) + " " + file.URL->GetPlaneURL() + " " + TStringTable::Get(2);
}

std::string TLoadCycleRules::LocationText(const TQorFile* file) {
    if (!file) return std::string();
    return TStringTable::Get(8) + ": " + file->URL->GetPlaneURL();
}

bool TLoadCycleRules::AskDownload(int status, std::string_view fileName, bool textData) {
    if (status >= 400 || textData) return false;
    const std::string ext = Ext(std::string(fileName));
    return ext != ".asx" && ext != ".wax" && ext != ".wvx";
}

std::string TLoadCycleRules::AskDownloadText(const TQorFile& file) {
    return file.URL->FileName + "\n" + TStringTable::Get(3);
}

bool TLoadCycleRules::OpensAsPage(const TQorFile& file) {
    if (file.Kind == TQorFile::kWeb) return true;
    if (file.Kind != TQorFile::kLocal) return false;
    return file.URL->FileName.empty() || TQorLoadManager::IsLocalPageExt(Ext(file.URL->FileName));
}

bool TLoadCycleRules::IsPageLink(const TQorFile& file) {
    const std::string ext = Ext(file.URL->FileName);
    if (file.Kind == TQorFile::kWeb) return ext.empty() || TQorLoadManager::IsPageExt(ext);
    if (file.Kind == TQorFile::kLocal)
        return file.URL->FileName.empty() || TQorLoadManager::IsLocalPageExt(ext);
    return false;
}

bool TLoadCycleRules::SharesFolder(const TInetURLEx& page, const TInetURLEx& child) {
    TInetURLEx folder;
    folder.Assign(&page);
    folder.WithPort = true;
    return child.GetCompURL().rfind(folder.GetCompFullDir(), 0) == 0;
}

void TLoadCycleRules::InheritCredentials(const TInetURLEx& page, TInetURLEx& child) {
    child.User = page.User;
    child.Password = page.Password;
    child.Port = page.Port;
}

int TLoadCycleRules::PageIcon(int state, int reply, bool fromCache) {
    if (state != 0 || reply >= 400) return 3;
    return fromCache ? 4 : 2;
}

std::string TLoadCycleRules::NodeCaption(int state, int reply, const std::string& caption,
                                         const std::string& planeURL, const std::string& reason) {
    if (reply >= 400) return "[" + std::to_string(reply) + "] " + caption;
    if (state == 2) return "[" + TStringTable::Get(6) + "] " + planeURL + InParentheses(reason);
    if (state == 3) return "[" + TStringTable::Get(7) + "] " + planeURL;
    return caption;
}

std::string TLoadCycleRules::StatusText(int state, int reply, const std::string& planeURL,
                                        const std::string& reason) {
    if (state == 2) return TStringTable::Get(6) + " " + planeURL + InParentheses(reason);
    if (state == 3) return TStringTable::Get(7) + " " + planeURL;
    return TStringTable::Get(58) + " : " + std::to_string(reply);
}

std::string TLoadCycleRules::WindowTitle(const std::string& title, const std::string& planeURL) {
    return (title.empty() ? planeURL : title) + " - " + AppTitle;
}

int TLoadCycleRules::CharsetItem(TCharsetType charset) {
    switch (charset) {
    case ctEuc: return 1;
    case ctJis: return 2;
    case ctUtf8: return 3;
    default: return 0;
    }
}

bool TLoadCycleRules::MonitorsFolder(bool local, int reply, const std::string& localPath) {
    return local && reply == 200 && !localPath.empty() && TSjisText::LowerCase(localPath) != "c:\\";
}

std::string TLoadCycleRules::AddressText(const TQorFile& page) {
    return page.URL->GetPortURL();
}
