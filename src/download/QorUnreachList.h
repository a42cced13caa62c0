#pragma once
// The list of downloads that were still unfinished when their download
// window closed, kept in "unreach.dat" across runs. One entry per file, and
// one row per entry, index for index (entry i belongs to row i). The rows are
// plain data for a view to show: caption, five sub-item texts, image index,
// the row's own resource record and the selection. OnChange tells the view
// what to repaint. The list keeps no file data: resuming relies on the
// partial file the download manager keeps under the same address.
//
// Sizes are 64-bit, so files of 4 GiB and more keep their real size. The
// file keeps its text form; numbers that older files wrote as negative
// 32-bit decimals read back as the same unsigned size.
//
// Main thread only; nothing here blocks except the file access of
// LoadFromFile and SaveToFile.
#include "engine/QorFile.h"
#include "platform/DateTime.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

struct tagQORUNREACHITEM {
    std::string URL;          // the file's full address, as it was added
    int64_t FileSize = -1;    // announced size; -1 when unknown
    int64_t LoadSize = 0;     // bytes already in the partial file
    int32_t Progress = -1;    // percent done; -1 when unknown
    std::string Updated;      // local "yyyy/mm/dd hh:nn:ss" of the recording
};

class TQorUnreachList {
public:
    // Sub-item columns after the caption (the name).
    enum TColumn { colLocation = 0, colProgress, colFileSize, colLoadSize, colUpdated, colCount };

    struct TListItem {
        std::string Caption;
        std::vector<std::string> SubItems = std::vector<std::string>(colCount);
        int ImageIndex = 0;
        std::unique_ptr<TQorFile> Data; // owned by the row; null after Delete
        bool Selected = false;
    };

    // `row` is the index of a row whose cells changed, or -1 when rows came
    // or went (the view shows the whole list again). Inside
    // BeginUpdate/EndUpdate the notices collapse into one -1 at the end.
    using TChangeEvent = std::function<void(TQorUnreachList* sender, int row)>;

    static constexpr int64_t kUnknownSize = -1;

    TQorUnreachList();
    ~TQorUnreachList();
    TQorUnreachList(const TQorUnreachList&) = delete;
    TQorUnreachList& operator=(const TQorUnreachList&) = delete;

    // The six column headings, name first (CP932).
    static const std::vector<std::string>& ColumnCaptions();

    // Adds a file, or updates the entry with the same comparable address:
    // the entry's LoadSize, Progress and Updated (and the row's cells) are
    // replaced only when (fileSize != -1 and progress != -1) or
    // (fileSize == -1 and loadSize != 0); FileSize keeps its first value.
    // A fileSize below -1 counts as unknown and a negative loadSize as 0.
    void Add(std::string_view url, int64_t fileSize, int64_t loadSize, int progress,
             std::string_view updated);
    // Removes the first entry with the comparable address of `url`, and its
    // row. False when there is none.
    bool DeleteByURL(std::string_view url);
    // Removes every selected row and the entry of the same index.
    void SelDelete();
    // Frees all entries; with `rows` also all rows.
    void ClearFile(bool rows);

    // The entry at `index`, or null when out of range.
    const tagQORUNREACHITEM* GetFile(int index) const;
    // The row's resource record; null for a null row or one already deleted.
    TQorFile* GetFileInfo(const TListItem* row) const;
    // The per-row deletion hook: frees the row's resource record and clears
    // its data pointer. The row itself and the entries stay.
    void Delete(TListItem* row);

    // Adds the entries of the file at `path` (Windows form) that are not
    // older than SaveDay days, through Add, without clearing the list first.
    // Damaged lines are skipped. False (and the list unchanged) when the
    // file cannot be read.
    bool LoadFromFile(std::string_view path);
    // Writes all entries; true when the new content is in place.
    bool SaveToFile(std::string_view path) const;

    int Count() const { return static_cast<int>(rows_.size()); }
    int EntryCount() const { return static_cast<int>(entries_.size()); }
    // The row at `index`, or null when out of range.
    TListItem* Item(int index) const;
    void SetSelected(int index, bool selected);

    void BeginUpdate();
    void EndUpdate();

    // Days an entry is kept when loading; the main window sets it from its
    // options.
    int SaveDay = 14;
    // The local clock; tests may fix it.
    std::function<TDateTime()> Clock;
    TChangeEvent OnChange;

private:
    void Changed(int row);
    void RemoveAt(size_t index);
    void SetProgressCells(TListItem& row, const tagQORUNREACHITEM& entry);
    int FindComp(const std::string& comp) const;
    void CountComp(const std::string& comp, int delta);

    std::vector<tagQORUNREACHITEM> entries_;
    // Comparable address of each entry, index for index, and how many
    // entries hold each one, so that loading a long list does not compare
    // every new line with every entry.
    std::vector<std::string> compURLs_;
    std::unordered_map<std::string, int> compCount_;
    std::vector<std::unique_ptr<TListItem>> rows_;
    int updateCount_ = 0;
    bool changedInUpdate_ = false;
};
