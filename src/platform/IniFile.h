#pragma once
// An ini file of sections and "Key=Value" lines, read and written the way
// the Windows profile functions do it:
// - section and key names compare without regard to the case of A-Z;
//   blanks around names and values are dropped, the inner text is kept;
// - a value enclosed in a matching pair of double or single quotes is read
//   without them;
// - the first of several equal sections or keys is the one that counts;
// - every write goes to disk at once; comments and other lines are kept.
// Files are CP932 text with CR LF line ends; reading accepts LF as well. A
// missing or unreadable file reads as empty.
//
// The file is parsed once and kept in memory; every call first checks the
// file's identity, size and time and reads it again when someone else
// replaced or deleted it. A write rewrites the whole file atomically (see
// TFileOps::WriteFileAtomically), so a crash never leaves half a file.
// Write calls answer false when the file could not be written (the folder is
// missing, say); the next call then sees what is on disk.
//
// One object belongs to one thread at a time.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class TIniFile {
public:
    explicit TIniFile(std::string fileName); // Windows-form path
    ~TIniFile();
    TIniFile(const TIniFile&) = delete;
    TIniFile& operator=(const TIniFile&) = delete;

    const std::string& FileName() const { return fileName_; }

    std::string ReadString(std::string_view section, std::string_view key, std::string_view defaultValue);
    bool WriteString(std::string_view section, std::string_view key, std::string_view value);
    // Decimal, or hexadecimal after "$" or "0x", with an optional sign; the
    // default for a missing key, an empty value, other text or a value
    // outside the int range.
    int ReadInteger(std::string_view section, std::string_view key, int defaultValue);
    bool WriteInteger(std::string_view section, std::string_view key, int value);
    // Stored as the integers 1 and 0; any non-zero integer reads as true.
    bool ReadBool(std::string_view section, std::string_view key, bool defaultValue);
    bool WriteBool(std::string_view section, std::string_view key, bool value);

    // True when the section holds at least one key.
    bool SectionExists(std::string_view section);
    bool ValueExists(std::string_view section, std::string_view key);
    // The keys of a section in file order (as spelt in the file).
    std::vector<std::string> ReadSection(std::string_view section);
    // Every section name in file order.
    std::vector<std::string> ReadSections();
    // The keys and values of a section in file order.
    std::vector<std::pair<std::string, std::string>> ReadSectionValues(std::string_view section);
    // Removes the section with all its lines (true when it was not there).
    bool EraseSection(std::string_view section);
    // Removes one key (true when it was not there).
    bool DeleteKey(std::string_view section, std::string_view key);

private:
    struct Content;

    void Refresh();
    bool Save();

    std::string fileName_;
    std::unique_ptr<Content> content_;
};
