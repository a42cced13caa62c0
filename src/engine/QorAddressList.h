#pragma once
// The addresses typed into the address bar, most recent first, at most 16,
// kept in address.dat (scrambled, one address per CR LF line, readable by
// the user only). This is the data of the address bar's drop-down; the Qt
// view shows it through a model that follows OnChange.
//
// Threads: main thread only.
#include <functional>
#include <string>
#include <string_view>
#include <vector>

class TQorAddressList {
public:
    static constexpr int MaxEntries = 16;

    using TChangeEvent = std::function<void(TQorAddressList* sender)>;

    // The selection step of the bar: the text trimmed and without line
    // breaks (a line break inside would split the line in address.dat);
    // empty gives empty and changes nothing. Otherwise the remembered entry
    // with the same comparable address moves to the top with its text as
    // stored, or the text goes in at the top, the 17th entry dropping out.
    // Answers the text the bar shows and hands on.
    std::string Select(std::string_view text);

    // Replaces the list with the file's non-empty lines, the first 16, when
    // the file can be read; otherwise the list stays. The protector's result.
    bool LoadFromFile(std::string_view path);
    // Writes the entries as CR LF ended lines; the protector's result.
    bool SaveToFile(std::string_view path) const;
    void Clear();

    int Count() const { return static_cast<int>(entries_.size()); }
    const std::string& Get(int index) const { return entries_[static_cast<size_t>(index)]; }
    const std::vector<std::string>& Entries() const { return entries_; }

    // Trimmed of blanks and control characters at both ends, line breaks
    // inside removed.
    static std::string Clean(std::string_view text);

    TChangeEvent OnChange; // the entries changed (order, content or count)

private:
    void Changed();

    std::vector<std::string> entries_;
};
