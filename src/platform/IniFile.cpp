#include "platform/IniFile.h"

#include "platform/FileOps.h"
#include "platform/SjisText.h"
#include "platform/WinPath.h"

#include <climits>
#include <sys/stat.h>
#include <unordered_map>

namespace {

// What identifies one version of the file on disk. Atomic replacement gives
// every version a new inode, so even two writes in one second differ.
struct Stamp {
    bool exists = false;
    dev_t dev = 0;
    ino_t ino = 0;
    off_t size = 0;
    struct timespec mtime = {};

    bool operator==(const Stamp& o) const {
        if (exists != o.exists) return false;
        return !exists || (dev == o.dev && ino == o.ino && size == o.size &&
                           mtime.tv_sec == o.mtime.tv_sec && mtime.tv_nsec == o.mtime.tv_nsec);
    }
};

Stamp TakeStamp(const std::string& native) {
    Stamp s;
    struct stat st;
    if (!native.empty() && ::stat(native.c_str(), &st) == 0) {
        s.exists = true;
        s.dev = st.st_dev;
        s.ino = st.st_ino;
        s.size = st.st_size;
        s.mtime = st.st_mtim;
    }
    return s;
}

// The name as it is compared: trimmed, A-Z lower-cased.
std::string NameKey(std::string_view name) { return TSjisText::LowerCase(TSjisText::Trim(name)); }

// A value in a matching pair of quotes is read without them.
std::string Unquote(std::string_view v) {
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        v = v.substr(1, v.size() - 2);
    return std::string(v);
}

bool ParseInt(std::string_view s, int& out) {
    size_t i = 0;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
    int base = 10;
    if (i < s.size() && s[i] == '$') {
        base = 16;
        ++i;
    } else if (i + 1 < s.size() && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    if (i == s.size()) return false;
    uint64_t value = 0;
    for (; i < s.size(); ++i) {
        char c = s[i];
        int digit = (c >= '0' && c <= '9')   ? c - '0'
                    : (c >= 'a' && c <= 'f') ? c - 'a' + 10
                    : (c >= 'A' && c <= 'F') ? c - 'A' + 10
                                             : 99;
        if (digit >= base) return false;
        value = value * base + digit;
        if (value > 0xFFFFFFFFull) return false;
    }
    int64_t result;
    if (base == 16) {
        // Eight hex digits fill the 32 bits, as in a Windows integer.
        result = static_cast<int32_t>(static_cast<uint32_t>(value));
    } else {
        result = static_cast<int64_t>(value);
        if (result > int64_t(INT_MAX) + (negative ? 1 : 0)) return false;
    }
    out = static_cast<int>(negative ? -result : result);
    return true;
}

} // namespace

struct TIniFile::Content {
    struct Line {
        std::string text;    // the line as it stands in the file
        std::string key;     // entries only: trimmed name as spelt
        std::string value;   // entries only: trimmed value
        bool entry = false;
    };
    struct Section {
        std::string name; // trimmed, as spelt; sections[0] is the text before the first header
        std::string header;
        std::vector<Line> lines;
        std::unordered_map<std::string, size_t> keys; // NameKey -> first line with that key

        void Reindex() {
            keys.clear();
            for (size_t i = 0; i < lines.size(); ++i)
                if (lines[i].entry) keys.emplace(NameKey(lines[i].key), i);
        }
    };

    std::string native;
    bool loaded = false;
    Stamp stamp;
    std::vector<Section> sections;
    std::unordered_map<std::string, size_t> index; // NameKey -> first section with that name

    void Reindex() {
        index.clear();
        for (size_t i = 1; i < sections.size(); ++i) index.emplace(NameKey(sections[i].name), i);
    }

    Section* Find(std::string_view name) {
        auto it = index.find(NameKey(name));
        return it == index.end() ? nullptr : &sections[it->second];
    }

    const Line* FindLine(std::string_view section, std::string_view key) {
        Section* s = Find(section);
        if (!s) return nullptr;
        auto it = s->keys.find(NameKey(key));
        return it == s->keys.end() ? nullptr : &s->lines[it->second];
    }

    void Parse(std::string_view text) {
        sections.clear();
        sections.emplace_back();
        size_t pos = 0;
        while (pos < text.size()) {
            size_t end = text.find('\n', pos);
            if (end == std::string_view::npos) end = text.size();
            std::string_view raw = text.substr(pos, end - pos);
            pos = end + 1;
            if (!raw.empty() && raw.back() == '\r') raw.remove_suffix(1);
            AddLine(raw);
        }
        for (auto& s : sections) s.Reindex();
        Reindex();
    }

    void AddLine(std::string_view raw) {
        std::string t = TSjisText::Trim(raw);
        if (!t.empty() && t[0] == '[') {
            size_t close = TSjisText::FindLastChar(t, ']');
            if (close != std::string::npos) {
                Section s;
                s.name = TSjisText::Trim(std::string_view(t).substr(1, close - 1));
                s.header = std::string(raw);
                sections.push_back(std::move(s));
                return;
            }
        }
        Line line;
        line.text = std::string(raw);
        size_t eq = TSjisText::FindChar(t, '=');
        if (!t.empty() && t[0] != ';' && eq != std::string::npos && eq > 0) {
            line.entry = true;
            line.key = TSjisText::Trim(std::string_view(t).substr(0, eq));
            line.value = TSjisText::Trim(std::string_view(t).substr(eq + 1));
        }
        sections.back().lines.push_back(std::move(line));
    }

    std::string Serialize() const {
        std::string out;
        for (const auto& s : sections) {
            if (&s != &sections[0]) out += s.header + "\r\n";
            for (const auto& l : s.lines) out += l.text + "\r\n";
        }
        return out;
    }
};

TIniFile::TIniFile(std::string fileName)
    : fileName_(std::move(fileName)), content_(std::make_unique<Content>()) {
    content_->native = TWinPath::ToNative(fileName_);
}

TIniFile::~TIniFile() = default;

void TIniFile::Refresh() {
    Content& c = *content_;
    Stamp now = TakeStamp(c.native);
    if (c.loaded && now == c.stamp) return;
    std::string text;
    if (now.exists && !TFileOps::ReadWholeFile(fileName_, text)) text.clear();
    c.Parse(text);
    c.stamp = now;
    c.loaded = true;
}

bool TIniFile::Save() {
    Content& c = *content_;
    if (TFileOps::WriteFileAtomically(fileName_, c.Serialize())) {
        c.stamp = TakeStamp(c.native);
        return true;
    }
    // Memory now differs from the disk: read the disk again next time.
    c.loaded = false;
    return false;
}

std::string TIniFile::ReadString(std::string_view section, std::string_view key,
                                 std::string_view defaultValue) {
    try {
        Refresh();
        const Content::Line* line = content_->FindLine(section, key);
        return line ? Unquote(line->value) : std::string(defaultValue);
    } catch (...) {
        return std::string(defaultValue);
    }
}

bool TIniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
    try {
        Refresh();
        Content& c = *content_;
        std::string k = TSjisText::Trim(key);
        std::string v = TSjisText::Trim(value);
        Content::Section* s = c.Find(section);
        if (!s) {
            // A new section goes to the end, after an empty line.
            Content::Section& last = c.sections.back();
            if (c.sections.size() > 1 || !last.lines.empty()) {
                if (last.lines.empty() || !TSjisText::Trim(last.lines.back().text).empty())
                    last.lines.push_back({});
            }
            Content::Section fresh;
            fresh.name = TSjisText::Trim(section);
            fresh.header = "[" + fresh.name + "]";
            c.sections.push_back(std::move(fresh));
            c.Reindex();
            s = &c.sections.back();
        }
        auto it = s->keys.find(NameKey(k));
        if (it != s->keys.end()) {
            Content::Line& line = s->lines[it->second];
            line.value = v;
            line.text = line.key + "=" + v;
        } else {
            // After the last line that is not blank, so that the empty line
            // before the next section stays where it is.
            size_t at = s->lines.size();
            while (at > 0 && TSjisText::Trim(s->lines[at - 1].text).empty()) --at;
            Content::Line line;
            line.entry = true;
            line.key = k;
            line.value = v;
            line.text = k + "=" + v;
            s->lines.insert(s->lines.begin() + at, std::move(line));
            s->Reindex();
        }
        return Save();
    } catch (...) {
        content_->loaded = false;
        return false;
    }
}

int TIniFile::ReadInteger(std::string_view section, std::string_view key, int defaultValue) {
    int value;
    return ParseInt(ReadString(section, key, ""), value) ? value : defaultValue;
}

bool TIniFile::WriteInteger(std::string_view section, std::string_view key, int value) {
    return WriteString(section, key, std::to_string(value));
}

bool TIniFile::ReadBool(std::string_view section, std::string_view key, bool defaultValue) {
    return ReadInteger(section, key, defaultValue ? 1 : 0) != 0;
}

bool TIniFile::WriteBool(std::string_view section, std::string_view key, bool value) {
    return WriteString(section, key, value ? "1" : "0");
}

bool TIniFile::SectionExists(std::string_view section) {
    try {
        Refresh();
        Content::Section* s = content_->Find(section);
        return s && !s->keys.empty();
    } catch (...) {
        return false;
    }
}

bool TIniFile::ValueExists(std::string_view section, std::string_view key) {
    try {
        Refresh();
        return content_->FindLine(section, key) != nullptr;
    } catch (...) {
        return false;
    }
}

std::vector<std::string> TIniFile::ReadSection(std::string_view section) {
    std::vector<std::string> keys;
    for (auto& kv : ReadSectionValues(section)) keys.push_back(std::move(kv.first));
    return keys;
}

std::vector<std::string> TIniFile::ReadSections() {
    std::vector<std::string> names;
    try {
        Refresh();
        const auto& sections = content_->sections;
        for (size_t i = 1; i < sections.size(); ++i)
            if (content_->index[NameKey(sections[i].name)] == i) names.push_back(sections[i].name);
    } catch (...) {
        names.clear();
    }
    return names;
}

std::vector<std::pair<std::string, std::string>> TIniFile::ReadSectionValues(std::string_view section) {
    std::vector<std::pair<std::string, std::string>> out;
    try {
        Refresh();
        Content::Section* s = content_->Find(section);
        if (!s) return out;
        for (size_t i = 0; i < s->lines.size(); ++i) {
            const Content::Line& l = s->lines[i];
            // A repeated key counts once, with its first value.
            if (l.entry && s->keys[NameKey(l.key)] == i)
                out.emplace_back(l.key, Unquote(l.value));
        }
    } catch (...) {
        out.clear();
    }
    return out;
}

bool TIniFile::EraseSection(std::string_view section) {
    try {
        Refresh();
        Content& c = *content_;
        const std::string name = NameKey(section);
        size_t kept = 1;
        for (size_t i = 1; i < c.sections.size(); ++i)
            if (NameKey(c.sections[i].name) != name) {
                if (kept != i) c.sections[kept] = std::move(c.sections[i]);
                ++kept;
            }
        if (kept == c.sections.size()) return true;
        c.sections.resize(kept);
        c.Reindex();
        return Save();
    } catch (...) {
        content_->loaded = false;
        return false;
    }
}

bool TIniFile::DeleteKey(std::string_view section, std::string_view key) {
    try {
        Refresh();
        Content::Section* s = content_->Find(section);
        if (!s) return true;
        auto it = s->keys.find(NameKey(key));
        if (it == s->keys.end()) return true;
        s->lines.erase(s->lines.begin() + it->second);
        s->Reindex();
        return Save();
    } catch (...) {
        content_->loaded = false;
        return false;
    }
}
