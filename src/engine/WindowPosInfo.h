#pragma once
// The window positions of one running instance, kept in its own ini file in
// the data folder ("vorlenpos" + instance number + ".ini"): the main window,
// its file-list and unfinished-list columns, its tool bands and the preview
// window. The main window reads it at creation and writes it when it closes.
//
// The default position centres a 600 x 450 main window on the screen. This
// layer has no screen, so whoever creates the object passes the screen's
// size in pixels (the window program: its primary screen's; without a
// window any size will do, 0 x 0 included).
//
// Threads: main thread only.
#include <array>
#include <cstdint>
#include <string>

// One tool band position of the main window.
struct TWindowBandInfo {
    int ID = 0;         // which band stands at this position
    bool Break = true;  // the band starts a new row
    int Width = 0;
};

class TWindowPosInfo {
public:
    static constexpr int BandCount = 5;

    // Binds the object to the file (Windows form) and sets the defaults.
    // Nothing is read until Load.
    TWindowPosInfo(std::string fileName, int screenWidth, int screenHeight);

    const std::string& FileName() const { return fileName_; }

    // Section "MainWindow".
    int MainLeft;              // "Left": screen width / 2 - 300
    int MainTop;               // "Top": screen height / 2 - 225
    int MainWidth = 600;       // "Width"
    int MainHeight = 450;      // "Height"
    uint8_t MainState = 0;     // "State": 0 normal, 1 minimised, 2 maximised
    int NaviWidth = 200;       // "NaviWidth": the navigation pane
    std::array<int, 4> FileCol{95, 95, 95, 95};               // "FILECOL0" to "FILECOL3"
    int FileActiveCol = 0;     // "FileActiveCol": the file list's sort column
    int FileSortOrder = 0;     // "FileSortOrder"
    bool ShowNavi = true;      // "ShowNavi"
    std::array<int, 6> UnreachCol{80, 80, 80, 80, 80, 80};    // "UnreachCol0" to "UnreachCol5"
    // Sections "MainBand0" to "MainBand4", keys "ID", "Break", "Width": band
    // n has ID n; Break 1 except bands 1 and 4; Width 0 except 32 for band
    // 1, 200 for band 3 and 400 for band 4.
    std::array<TWindowBandInfo, BandCount> Bands;
    // Section "PrevWindow".
    int PrevLeft = 0;          // "Left"
    int PrevTop = 0;           // "Top"
    int PrevWidth = 320;       // "Width"
    int PrevHeight = 200;      // "Height"
    bool PrevStretch = true;   // "Stretch": the preview stretches the image
    bool PrevTopMost = true;   // "TopMost": the preview stays on top

    // Reads every key, each with the current value as its default (so a
    // missing key or section keeps what is there; integers as TIniFile reads
    // them, booleans true for any non-zero integer). Two checks keep a
    // damaged file from reaching the window: a State other than 0, 1 or 2
    // keeps the current state, and unless the five band IDs are 0 to 4 each
    // once, every band gets its own number as ID again (the Break and Width
    // values read stay).
    // A missing file answers true; false when the file is there but cannot
    // be read (a folder in its place, no permission): then nothing changes.
    bool Load();
    // Writes every key, and nothing else. The file is replaced in one step:
    // on failure (false) the old file stays as it was.
    bool Save() const;

private:
    std::string fileName_;
};
