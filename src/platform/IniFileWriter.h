#pragma once
// Writes a whole ini file at once: the keys are gathered in memory and
// Commit replaces the file on disk in one step (TFileOps::
// WriteFileAtomically), so a failure or a crash half-way leaves the old
// file as it was, and the new file holds exactly the keys written here and
// nothing of an older one. The text is what TIniFile writes for the same
// calls on an empty file: sections in the order of their first write, keys
// in the order of theirs, "Key=Value" with names and values trimmed, an
// empty line before every section after the first, CR LF line ends. A
// repeated key (A-Z compared without case) replaces its value in place.
//
// One object belongs to one thread; nothing touches the disk before Commit.
#include <string>
#include <string_view>
#include <vector>

class TIniFileWriter {
public:
    explicit TIniFileWriter(std::string fileName); // Windows-form path

    const std::string& FileName() const { return fileName_; }

    void WriteString(std::string_view section, std::string_view key, std::string_view value);
    void WriteInteger(std::string_view section, std::string_view key, int value);
    // As the integers 1 and 0.
    void WriteBool(std::string_view section, std::string_view key, bool value);

    // The text Commit writes.
    std::string Text() const;
    // Replaces the file with Text(). False when it could not be written; the
    // file on disk is then unchanged.
    bool Commit() const;

private:
    struct Section {
        std::string name;
        std::vector<std::pair<std::string, std::string>> entries;
    };

    std::string fileName_;
    std::vector<Section> sections_;
};
