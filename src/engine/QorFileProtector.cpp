#include "engine/QorFileProtector.h"

#include "platform/FileOps.h"
#include "platform/WinPath.h"

#include <array>
#include <cstdint>

namespace {

constexpr int kMaxBackups = 100;

constexpr std::array<unsigned char, 256> MakeReverseTable() {
    std::array<unsigned char, 256> table{};
    for (int b = 0; b < 256; ++b) {
        unsigned char r = 0;
        for (int bit = 0; bit < 8; ++bit)
            if (b & (1 << bit)) r |= static_cast<unsigned char>(0x80 >> bit);
        table[b] = r;
    }
    return table;
}

constexpr std::array<unsigned char, 256> kReverse = MakeReverseTable();

// Copies the file to the first free "~N~name" beside it. False when all
// names are taken or the copy fails; `backup` receives the name used.
bool MakeBackup(std::string_view path, std::string& backup) {
    const std::string folder = TWinPath::ExtractFilePath(path);
    const std::string name = TWinPath::ExtractFileName(path);
    for (int n = 1; n <= kMaxBackups; ++n) {
        std::string candidate = folder + "~" + std::to_string(n) + "~" + name;
        if (TFileOps::FileExists(candidate) || TFileOps::DirectoryExists(candidate)) continue;
        // Only the first free name is tried: a copy that fails there fails
        // the save, as a name taken between the test and the copy does.
        if (!TFileOps::CopyFile(path, candidate, true)) return false;
        backup = std::move(candidate);
        return true;
    }
    return false;
}

} // namespace

std::string TQorFileProtector::Scramble(std::string_view text) {
    std::string out(text.size(), '\0');
    for (size_t i = 0; i < text.size(); ++i)
        out[i] = static_cast<char>(kReverse[static_cast<unsigned char>(text[i])]);
    return out;
}

bool TQorFileProtector::SaveEncryptionText(std::string_view path, std::string_view text) {
    const std::string buffer = Scramble(text);

    std::string backup;
    if (TFileOps::FileExists(path) && !MakeBackup(path, backup)) return false;

    // The old program deleted the file, created it anew and wrote the
    // buffer, and copied the backup back over the path when that failed; a
    // crash between the deletion and the end of the write left the list
    // empty or cut short. Here the new content goes to a temporary file
    // beside it, which is flushed and renamed over the old one, so the path
    // holds the old or the new content at every moment. No deletion step is
    // needed, and a failed write leaves the old file untouched, so the
    // backup is not copied back: that copy would itself rewrite the file in
    // place. The backup is still made first and kept after a failure, so
    // the numbering and the refusal at 100 backups stay as they were.
    const bool written = TFileOps::WriteFileAtomically(path, buffer);
    if (written && !backup.empty()) TFileOps::DeleteFile(backup);
    return written;
}

bool TQorFileProtector::LoadEncryptionText(std::string_view path, std::string& text) {
    text.clear();
    std::string data;
    if (!TFileOps::ReadWholeFile(path, data)) return false;
    text = Scramble(data);
    // The bit reversal keeps a zero byte zero, so the cut may come after it.
    size_t zero = text.find('\0');
    if (zero != std::string::npos) text.resize(zero);
    return true;
}
