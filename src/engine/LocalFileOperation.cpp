#include "engine/LocalFileOperation.h"

#include <cerrno>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace {

bool Present(const fs::path& path) {
    std::error_code ec;
    return fs::symlink_status(path, ec).type() != fs::file_type::not_found && !ec;
}

bool IsRealFolder(const fs::path& path) {
    std::error_code ec;
    return fs::symlink_status(path, ec).type() == fs::file_type::directory;
}

// Whether `inner` is `outer` or lies below it (both made absolute and
// resolved as far as they exist).
bool Within(const fs::path& inner, const fs::path& outer) {
    std::error_code ec;
    const fs::path a = fs::weakly_canonical(inner, ec);
    if (ec) return false;
    const fs::path b = fs::weakly_canonical(outer, ec);
    if (ec) return false;
    auto ai = a.begin();
    for (auto bi = b.begin(); bi != b.end(); ++bi, ++ai) {
        if (bi->empty()) continue; // a trailing separator
        if (ai == a.end() || *ai != *bi) return false;
    }
    return true;
}

// Copies a file, a link or a folder tree onto `to`; an existing file there
// is replaced, an existing folder receives the content. Modification times
// and permissions come along.
bool CopyTree(const fs::path& from, const fs::path& to, std::error_code& ec) {
    const fs::file_status status = fs::symlink_status(from, ec);
    if (ec) return false;
    if (fs::is_symlink(status)) {
        if (Present(to) && !IsRealFolder(to)) fs::remove(to, ec);
        if (ec) return false;
        fs::copy_symlink(from, to, ec);
        return !ec;
    }
    if (fs::is_directory(status)) {
        if (!IsRealFolder(to)) {
            fs::create_directory(to, from, ec);
            if (ec) return false;
        }
        for (fs::directory_iterator it(from, ec), end; !ec && it != end; it.increment(ec))
            if (!CopyTree(it->path(), to / it->path().filename(), ec)) return false;
        if (ec) return false;
        fs::last_write_time(to, fs::last_write_time(from, ec), ec);
        return !ec;
    }
    // Written beside the target and renamed over it: a failure half-way
    // leaves the old target (or nothing) under its name, never a part.
    fs::path part = to;
    part.replace_filename("." + to.filename().string() + ".vorlen-part");
    std::error_code ignored;
    if (!fs::copy_file(from, part, fs::copy_options::overwrite_existing, ec)) {
        fs::remove(part, ignored);
        return false;
    }
    fs::last_write_time(part, fs::last_write_time(from, ec), ec);
    if (!ec) fs::rename(part, to, ec);
    if (ec) fs::remove(part, ignored);
    return !ec;
}

// Moves `from` onto `to`, into an existing folder by merging.
bool MoveTree(const fs::path& from, const fs::path& to, std::error_code& ec) {
    if (IsRealFolder(from) && IsRealFolder(to)) {
        for (fs::directory_iterator it(from, ec), end; !ec && it != end; it.increment(ec))
            if (!MoveTree(it->path(), to / it->path().filename(), ec)) return false;
        if (ec) return false;
        fs::remove(from, ec);
        return !ec;
    }
    fs::rename(from, to, ec);
    if (ec.value() != EXDEV) return !ec;
    // Another file system: copy all, and remove the source only when all
    // of it arrived.
    ec.clear();
    if (!CopyTree(from, to, ec)) return false;
    fs::remove_all(from, ec);
    return !ec;
}

} // namespace

bool TLocalFileOperation::CopyInto(const std::vector<std::string>& sources, const std::string& folder,
                                   bool move) {
    Problems.clear();
    Canceled = false;
    const fs::path into(folder);
    for (const std::string& source : sources) {
        const fs::path from(source);
        if (!Present(from)) {
            Problems.push_back({source, TFileProblem::Missing, {}});
            continue;
        }
        const fs::path to = into / from.filename();
        if (IsRealFolder(from) && Within(into, from)) {
            Problems.push_back({source, TFileProblem::IntoItself, {}});
            continue;
        }
        if (Present(to)) {
            std::error_code ec;
            if (fs::equivalent(from, to, ec)) {
                // Moving a file where it already is leaves it there.
                if (!move) Problems.push_back({source, TFileProblem::SameFile, {}});
                continue;
            }
            if (IsRealFolder(from) != IsRealFolder(to)) {
                Problems.push_back({to.string(), TFileProblem::KindClash, {}});
                continue;
            }
            const TOverwriteAnswer answer = OnOverwrite ? OnOverwrite(to.string()) : TOverwriteAnswer::No;
            if (answer == TOverwriteAnswer::Cancel) {
                Canceled = true;
                break;
            }
            if (answer == TOverwriteAnswer::No) continue;
        }
        std::error_code ec;
        const bool ok = move ? MoveTree(from, to, ec) : CopyTree(from, to, ec);
        if (!ok) Problems.push_back({source, TFileProblem::Failed, ec.message()});
    }
    return Problems.empty() && !Canceled;
}

bool TLocalFileOperation::DeleteForever(const std::vector<std::string>& paths) {
    Problems.clear();
    Canceled = false;
    for (const std::string& path : paths) {
        if (!Present(path)) {
            Problems.push_back({path, TFileProblem::Missing, {}});
            continue;
        }
        std::error_code ec;
        fs::remove_all(path, ec);
        if (ec) Problems.push_back({path, TFileProblem::Failed, ec.message()});
    }
    return Problems.empty();
}
