#pragma once
// The named file-type filters of the file list's drop-down and the cascade
// tab, kept in ffilter.dat: one filter a line, its name, a TAB and its
// extensions joined by ":" (jpg:jpeg:gif), CP932 text with CR LF line ends.
//
// A name or extension holding TAB, CR or LF would break its line in the
// file, so Add refuses such texts and SaveToFile refuses to write them; the
// filter editor checks with IsStorableText before it accepts a text.
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class TFileFilterItem {
public:
    // Parses a ":" separated text: each part trimmed and lower-cased, empty
    // parts dropped.
    void SetExtensionText(std::string_view text);
    // The extensions joined with ":" (no trailing colon).
    std::string GetExtensionText() const;
    void Assign(const TFileFilterItem& source);
    // Whether the name and every extension can stand in a line of the file.
    bool IsStorable() const;

    std::string Name;
    std::vector<std::string> Extensions; // lower case, without the dot
};

class TFileFilter {
public:
    // False for a text holding TAB, CR or LF.
    static bool IsStorableText(std::string_view text);

    // Empties the list, then reads the file. A missing file gives an empty
    // list and true; false only when the file is there and cannot be read.
    // Each line is trimmed (a TAB at its end stays: it stands for a filter
    // without extensions); empty lines and lines without a TAB are skipped.
    bool LoadFromFile(const std::string& path);
    // Writes every filter in order. False when writing fails, or when an
    // item holds a text the file cannot keep (nothing is written then).
    bool SaveToFile(const std::string& path) const;

    void Clear();
    int Count() const;
    // None outside 0..Count()-1.
    TFileFilterItem* GetItem(int index) const;
    // Appends a filter; none (and nothing appended) when the name or the
    // extension text holds TAB, CR or LF.
    TFileFilterItem* Add(std::string_view name, std::string_view extensionText);

private:
    std::vector<std::unique_ptr<TFileFilterItem>> items_;
};
