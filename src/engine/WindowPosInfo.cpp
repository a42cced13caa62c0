#include "engine/WindowPosInfo.h"

#include "platform/FileOps.h"
#include "platform/IniFile.h"
#include "platform/IniFileWriter.h"

namespace {

const char kMain[] = "MainWindow";
const char kPrev[] = "PrevWindow";

std::string BandSection(int band) { return "MainBand" + std::to_string(band); }

} // namespace

TWindowPosInfo::TWindowPosInfo(std::string fileName, int screenWidth, int screenHeight)
    : MainLeft(screenWidth / 2 - 300), MainTop(screenHeight / 2 - 225), fileName_(std::move(fileName)) {
    for (int i = 0; i < BandCount; ++i) {
        Bands[i].ID = i;
        Bands[i].Break = !(i == 1 || i == 4);
        Bands[i].Width = i == 1 ? 32 : i == 3 ? 200 : i == 4 ? 400 : 0;
    }
}

bool TWindowPosInfo::Load() {
    try {
        if (!TFileOps::MissingOrReadable(fileName_)) return false;
        TIniFile ini(fileName_);
        TWindowPosInfo v = *this;
        v.MainLeft = ini.ReadInteger(kMain, "Left", v.MainLeft);
        v.MainTop = ini.ReadInteger(kMain, "Top", v.MainTop);
        v.MainWidth = ini.ReadInteger(kMain, "Width", v.MainWidth);
        v.MainHeight = ini.ReadInteger(kMain, "Height", v.MainHeight);
        int state = ini.ReadInteger(kMain, "State", v.MainState);
        if (state >= 0 && state <= 2) v.MainState = static_cast<uint8_t>(state);
        v.NaviWidth = ini.ReadInteger(kMain, "NaviWidth", v.NaviWidth);
        for (size_t i = 0; i < v.FileCol.size(); ++i)
            v.FileCol[i] = ini.ReadInteger(kMain, "FILECOL" + std::to_string(i), v.FileCol[i]);
        v.FileActiveCol = ini.ReadInteger(kMain, "FileActiveCol", v.FileActiveCol);
        v.FileSortOrder = ini.ReadInteger(kMain, "FileSortOrder", v.FileSortOrder);
        v.ShowNavi = ini.ReadBool(kMain, "ShowNavi", v.ShowNavi);
        for (size_t i = 0; i < v.UnreachCol.size(); ++i)
            v.UnreachCol[i] = ini.ReadInteger(kMain, "UnreachCol" + std::to_string(i), v.UnreachCol[i]);
        for (int i = 0; i < BandCount; ++i) {
            std::string section = BandSection(i);
            v.Bands[i].ID = ini.ReadInteger(section, "ID", v.Bands[i].ID);
            v.Bands[i].Break = ini.ReadBool(section, "Break", v.Bands[i].Break);
            v.Bands[i].Width = ini.ReadInteger(section, "Width", v.Bands[i].Width);
        }
        // The window finds each band by its ID: a lost or doubled one would
        // leave a band out or index past the end.
        unsigned seen = 0;
        for (const auto& band : v.Bands)
            if (band.ID >= 0 && band.ID < BandCount) seen |= 1u << band.ID;
        if (seen != (1u << BandCount) - 1)
            for (int i = 0; i < BandCount; ++i) v.Bands[i].ID = i;
        v.PrevLeft = ini.ReadInteger(kPrev, "Left", v.PrevLeft);
        v.PrevTop = ini.ReadInteger(kPrev, "Top", v.PrevTop);
        v.PrevWidth = ini.ReadInteger(kPrev, "Width", v.PrevWidth);
        v.PrevHeight = ini.ReadInteger(kPrev, "Height", v.PrevHeight);
        v.PrevStretch = ini.ReadBool(kPrev, "Stretch", v.PrevStretch);
        v.PrevTopMost = ini.ReadBool(kPrev, "TopMost", v.PrevTopMost);
        *this = std::move(v);
        return true;
    } catch (...) {
        return false;
    }
}

bool TWindowPosInfo::Save() const {
    try {
        TIniFileWriter ini(fileName_);
        ini.WriteInteger(kMain, "Left", MainLeft);
        ini.WriteInteger(kMain, "Top", MainTop);
        ini.WriteInteger(kMain, "Width", MainWidth);
        ini.WriteInteger(kMain, "Height", MainHeight);
        ini.WriteInteger(kMain, "State", MainState);
        ini.WriteInteger(kMain, "NaviWidth", NaviWidth);
        for (size_t i = 0; i < FileCol.size(); ++i) ini.WriteInteger(kMain, "FILECOL" + std::to_string(i), FileCol[i]);
        ini.WriteInteger(kMain, "FileActiveCol", FileActiveCol);
        ini.WriteInteger(kMain, "FileSortOrder", FileSortOrder);
        ini.WriteBool(kMain, "ShowNavi", ShowNavi);
        for (size_t i = 0; i < UnreachCol.size(); ++i)
            ini.WriteInteger(kMain, "UnreachCol" + std::to_string(i), UnreachCol[i]);
        for (int i = 0; i < BandCount; ++i) {
            std::string section = BandSection(i);
            ini.WriteInteger(section, "ID", Bands[i].ID);
            ini.WriteBool(section, "Break", Bands[i].Break);
            ini.WriteInteger(section, "Width", Bands[i].Width);
        }
        ini.WriteInteger(kPrev, "Left", PrevLeft);
        ini.WriteInteger(kPrev, "Top", PrevTop);
        ini.WriteInteger(kPrev, "Width", PrevWidth);
        ini.WriteInteger(kPrev, "Height", PrevHeight);
        ini.WriteBool(kPrev, "Stretch", PrevStretch);
        ini.WriteBool(kPrev, "TopMost", PrevTopMost);
        return ini.Commit();
    } catch (...) {
        return false;
    }
}
