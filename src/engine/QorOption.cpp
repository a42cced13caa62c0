#include "engine/QorOption.h"

#include "platform/FileOps.h"
#include "platform/IniFile.h"
#include "platform/IniFileWriter.h"

namespace {

const char kSection[] = "Setting";

// Reads an integer key into `field` when the file holds one in [low, high].
template <class T>
void ReadRange(TIniFile& ini, const char* key, T& field, int low, int high) {
    int value = ini.ReadInteger(kSection, key, low - 1);
    if (value >= low && value <= high) field = static_cast<T>(value);
}

} // namespace

bool TQorOption::LoadFromFile(std::string_view path) {
    try {
        if (!TFileOps::MissingOrReadable(path)) return false;
        TIniFile ini{std::string(path)};
        TQorOption v = *this;
        v.UseCache = ini.ReadBool(kSection, "UseCache", v.UseCache);
        ReadRange(ini, "CacheSize", v.CacheSize, 1, 999);
        ReadRange(ini, "HistoryDay", v.HistoryDay, 0, 999);
        ReadRange(ini, "LoadStart", v.LoadStart, qlstSuspend, qlstFixFolder);
        v.LoadFolder = ini.ReadString(kSection, "LoadFolder", v.LoadFolder);
        ReadRange(ini, "LoadCount", v.LoadCount, 1, 9);
        v.AutoClose = ini.ReadBool(kSection, "AutoClose", v.AutoClose);
        v.DirReapp = ini.ReadBool(kSection, "DirReapp", v.DirReapp);
        ReadRange(ini, "UnreachSave", v.UnreachSave, 0, 999);
        ReadRange(ini, "RetryWait", v.RetryWait, 0, 999);
        ReadRange(ini, "DblClk", v.DblClk, qdctOpenByBrowser, qdctOpen);
        v.SearchAnchor = ini.ReadBool(kSection, "SearchAnchor", v.SearchAnchor);
        v.SearchFile = ini.ReadBool(kSection, "SearchFile", v.SearchFile);
        v.LastSaveDir = ini.ReadString(kSection, "LastSaveDir", v.LastSaveDir);
        ReadRange(ini, "ModifyLimit", v.ModifyLimit, 0, 999);
        v.ShowAnchor = ini.ReadBool(kSection, "ShowAnchor", v.ShowAnchor);
        v.HideStart = ini.ReadBool(kSection, "HideStart", v.HideStart);
        v.ShowTray = ini.ReadBool(kSection, "ShowTray", v.ShowTray);
        *this = std::move(v);
        return true;
    } catch (...) {
        return false;
    }
}

bool TQorOption::SaveToFile(std::string_view path) const {
    try {
        TIniFileWriter ini{std::string(path)};
        ini.WriteBool(kSection, "UseCache", UseCache);
        ini.WriteInteger(kSection, "CacheSize", static_cast<int>(CacheSize));
        ini.WriteInteger(kSection, "HistoryDay", HistoryDay);
        ini.WriteInteger(kSection, "LoadStart", LoadStart);
        ini.WriteString(kSection, "LoadFolder", LoadFolder);
        ini.WriteInteger(kSection, "LoadCount", LoadCount);
        ini.WriteBool(kSection, "AutoClose", AutoClose);
        ini.WriteBool(kSection, "DirReapp", DirReapp);
        ini.WriteInteger(kSection, "UnreachSave", UnreachSave);
        ini.WriteInteger(kSection, "RetryWait", RetryWait);
        ini.WriteInteger(kSection, "DblClk", DblClk);
        ini.WriteBool(kSection, "SearchAnchor", SearchAnchor);
        ini.WriteBool(kSection, "SearchFile", SearchFile);
        ini.WriteString(kSection, "LastSaveDir", LastSaveDir);
        ini.WriteInteger(kSection, "ModifyLimit", ModifyLimit);
        ini.WriteBool(kSection, "ShowAnchor", ShowAnchor);
        ini.WriteBool(kSection, "HideStart", HideStart);
        ini.WriteBool(kSection, "ShowTray", ShowTray);
        return ini.Commit();
    } catch (...) {
        return false;
    }
}
