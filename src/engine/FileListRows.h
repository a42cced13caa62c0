#pragma once
// The rows of the file list, kept apart from any widget: the records of the
// shown page (its resources in the order the page yielded them), the rows
// made from them under the type filter, their texts, and their order.
//
// Order: local folders come before every other row (after them when the
// direction is descending); folders compare by their names, other rows by
// the key of the sorted column, byte by byte with only ASCII letters folded
// to upper case. Rows with equal keys keep the order of appearance, so a
// sort is stable and the same rows always come out in the same order.
#include "engine/FileTypeTable.h"
#include "engine/QorFile.h"

#include <array>
#include <atomic>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

struct TFileListRow {
    const TQorFile* File = nullptr; // one of Files, not owned
    size_t Order = 0;                // its index in Files
    bool IsFolder = false;           // a local folder
    std::string Caption;             // name column (CP932, as all texts here)
    std::string Type;
    std::string Location;
    std::string Parameter;
    int ImageIndex = -1;
    bool Cut = false; // put on the clipboard to be moved: shown ghosted

    // Column 0 caption, 1 type, 2 location, 3 parameter.
    const std::string& Text(int column) const;
};

// The local files and folders among some rows, as exact native paths.
struct TLocalSelection {
    std::vector<std::string> Paths; // native, in row order
    std::vector<size_t> Rows;       // the rows they came from
    std::vector<std::string> Unmapped; // captions of local rows with no exact path
};

class TFileListRows {
public:
    static constexpr int kColumns = 4;

    // Byte-by-byte comparison folding only the single-byte letters a-z (a
    // double-byte character compares by value, both bytes); a prefix sorts
    // first. Negative, zero or positive.
    static int CompareKeys(std::string_view a, std::string_view b);
    // Whether row a goes before row b when sorting by `column` in
    // `direction` (0 ascending, 1 descending). A strict weak order.
    static bool Before(const TFileListRow& a, const TFileListRow& b, int column, int direction);
    // The row a record gets, or false when it gets none (the page's own
    // folder or one of its parents, or a file the filter hides).
    bool MakeRow(const TQorFile& file, TFileListRow& row) const;

    // Appends a copy of the record; no row until ShowList. Its index.
    int AddFile(const TQorFile& file);
    // Takes the record itself (no copy).
    int AddFile(std::unique_ptr<TQorFile> file);
    // Frees every record and removes every row.
    void ClearList();
    // Removes the rows only (Files stay).
    void ClearRows();
    // Builds a row for every record that gets one, in order, then sorts when
    // Sort is on.
    void ShowList();
    // Rows in the order of appearance until the next ShowList.
    void ShowInOrderOfAppearance();

    // For building the rows away from the list's thread: the settings that
    // shape rows and their order (filter, anchors, sort, every column's
    // direction, Exists), without FileImage and PageFile.
    void CopySettings(const TFileListRows& from);
    // Takes the other list's records and rows; it is left empty.
    void TakeList(TFileListRows& from);
    // Adds the type of every record to `types`, as MakeRow would: after
    // this, a copy of the table answers every row of these records.
    void AddFileTypes(TFileTypeSource& types) const;

    // Sorts the rows by ActiveCol in its direction.
    void SortRows();
    // A header click: flips the column's direction, sorts by it, makes it
    // active and copies its direction to SortOrder. False (nothing done)
    // when Sort is off.
    bool ColumnClick(int column);
    // Sets the direction of the active column.
    void SetSortOrder(int order);
    int ColumnOrder(int column) const;

    // The selected rows' addresses for export, joined with CR LF: a mail
    // address as itself, a local record as its local path, any other as
    // its full URL.
    std::string GetSelectURLString(const std::vector<size_t>& rows) const;

    // The local rows among `rows` (drive roots left out) with the native
    // path of each. A row whose record does not map back to exactly one
    // file or folder goes to Unmapped; callers refuse to act then.
    TLocalSelection GetLocalSelection(const std::vector<size_t>& rows) const;

    const std::vector<std::unique_ptr<TQorFile>>& Files() const { return files_; }
    const std::vector<TFileListRow>& Rows() const { return rows_; }
    std::vector<TFileListRow>& Rows() { return rows_; }

    TFileTypeSource* FileImage = nullptr; // not owned; none: no types, icon -1
    const TQorFile* PageFile = nullptr;   // not owned; the page whose resources these are
    std::vector<std::string> FilterExtensions; // lower case, no dot; empty: no filter
    bool ShowAnchor = true;
    bool Sort = true;
    int ActiveCol = 0;
    int SortOrder = 0;

    // Set: ShowList gives up soon after it turns true, leaving the rows
    // made so far unsorted (the caller then throws them away).
    const std::atomic<bool>* Stop = nullptr;

    // Whether a local file or folder exists; the disk unless replaced.
    std::function<bool(const std::string& localPath, bool folder)> Exists;

private:
    // What every row of one page needs from the page, worked out once.
    struct TPageKeys {
        std::string compURL; // the page's address key
        std::string folder;  // its folder's key, with the port
    };
    TPageKeys PageKeys() const;
    bool MakeRow(const TQorFile& file, TFileListRow& row, const TPageKeys& page) const;

    std::vector<std::unique_ptr<TQorFile>> files_;
    std::vector<TFileListRow> rows_;
    std::array<int, kColumns> columnOrder_{};
};
