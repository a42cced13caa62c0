#include "download/QorDownloadManager.h"

#include "engine/QorConnGeneral.h"
#include "engine/QorLoadThread.h"
#include "engine/QorPageItems.h"
#include "inet/InetHTTP.h"
#include "inet/InetURLEncoder.h"
#include "inet/XMD5.h"
#include "platform/CodePage.h"
#include "platform/FileDescriptor.h"
#include "platform/FileOps.h"
#include "platform/SjisText.h"
#include "platform/Thread.h"
#include "platform/WinPath.h"

#include <fcntl.h>
#include <sys/xattr.h>
#include <sys/stat.h>
#include <stdio.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <memory>
#include <cstdlib>
#include <vector>

namespace {

// The stored date is a header value; anything longer than this without a
// 0x00 is not a partial file of ours.
constexpr size_t kMaxHeadLength = 64 * 1024;
constexpr size_t kCopyPiece = 256 * 1024;

int OpenNative(const std::string& winPath, int flags) {
    std::string native = TWinPath::ToNative(winPath);
    if (native.empty()) return -1;
    return ::open(native.c_str(), flags | O_CLOEXEC, 0644);
}

// Where the file system has extended attributes, a partial file keeps its
// head (the stored date and a 0x00, the bytes of a head file) in this one:
// no second file to make, write and delete per download.
constexpr char kHeadAttribute[] = "user.vorlen.date";
// Longer than any date a server sends; a longer value is not ours.
constexpr size_t kMaxAttributeLength = 1024;

// The stored date in `head` (up to the first 0x00); false without a 0x00.
bool ParseStoredDate(std::string_view head, std::string& date) {
    const size_t zero = head.find('\0');
    if (zero == std::string_view::npos) return false;
    date.assign(head.substr(0, zero));
    return true;
}

// Reads the stored date (up to the first 0x00) from the start of `fd`.
// False when it cannot be read or holds no 0x00 within kMaxHeadLength.
bool ReadStoredDate(int fd, std::string& date) {
    date.clear();
    char buf[4096];
    off_t at = 0;
    while (date.size() < kMaxHeadLength) {
        ssize_t n = ::pread(fd, buf, sizeof buf, at);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        for (ssize_t i = 0; i < n; ++i) {
            if (buf[i] == '\0') return true;
            date.push_back(buf[i]);
        }
        at += n;
    }
    return false;
}

// Copies `from` starting at byte `offset` to the end into `to` (created or
// truncated), after writing `prefix` there. Works in pieces and keeps holes
// of a sparse source as holes.
bool CopyTail(const std::string& from, int64_t offset, const std::string& to,
              const std::string& prefix) {
    TFileDescriptor in(OpenNative(from, O_RDONLY));
    if (in.get() < 0) return false;
    off_t end = ::lseek(in.get(), 0, SEEK_END);
    if (end < 0) return false;
    TFileDescriptor out(OpenNative(to, O_WRONLY | O_CREAT | O_TRUNC));
    if (out.get() < 0) return false;
    if (!out.WriteAll(prefix.data(), prefix.size())) return false;
    const off_t base = static_cast<off_t>(offset);
    const off_t shift = static_cast<off_t>(prefix.size()) - base;
    std::vector<char> buf(kCopyPiece);
    bool inKernel = true;
    off_t pos = base;
    while (pos < end) {
        off_t data = ::lseek(in.get(), pos, SEEK_DATA);
        if (data < 0) break; // only a hole up to the end
        off_t hole = ::lseek(in.get(), data, SEEK_HOLE);
        if (hole < 0) hole = end;
        for (off_t at = data; at < hole;) {
            if (inKernel) {
                // The kernel copies without bringing the bytes up to us (and
                // shares blocks where the file system can).
                off_t src = at, dst = at + shift;
                ssize_t n = ::copy_file_range(in.get(), &src, out.get(), &dst,
                                              static_cast<size_t>(hole - at), 0);
                if (n > 0) {
                    at += n;
                    continue;
                }
                if (n < 0 && errno == EINTR) continue;
                if (n < 0 && errno != EXDEV && errno != ENOSYS && errno != EINVAL && errno != EOPNOTSUPP)
                    return false;
                inKernel = false; // not here: copy through the buffer
                if (n == 0) return false;
                continue;
            }
            size_t want = static_cast<size_t>(std::min<off_t>(hole - at, buf.size()));
            ssize_t n = ::pread(in.get(), buf.data(), want, at);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) return false;
            if (::pwrite(out.get(), buf.data(), static_cast<size_t>(n), at + shift) != n) return false;
            at += n;
        }
        pos = hole;
    }
    if (::ftruncate(out.get(), std::max<off_t>(end - base, 0) + static_cast<off_t>(prefix.size())) != 0)
        return false;
    return out.Close();
}

// The side file of a partial file of the present layout whose file system
// has no extended attributes: the stored date and a 0x00, so that the body
// file holds the body alone and can be renamed into the save folder. A
// partial file with neither that attribute nor a side file is of the older
// layout, whose body follows that head inside it.
std::string HeadFileOf(const std::string& partFile) {
    return TWinPath::ChangeFileExt(partFile, ".pch");
}

// The partial file made ready for an attempt's body.
struct TPartStart {
    TFileDescriptor Body; // open for writing at the end of what it holds
    bool Resume = false;
    int64_t HeadLength = 0; // the head inside the body file (older layout)
    int64_t Held = 0;       // body bytes held already
    bool SideFile = false;  // the head is in the side file, not in the attribute
};

// The body file's head attribute: 1 with its bytes in `head`, 0 when it has
// none (or the file system has no attributes), -1 when it cannot be read.
int ReadHeadAttribute(int fd, std::string& head) {
    char buffer[kMaxAttributeLength];
    const ssize_t n = ::fgetxattr(fd, kHeadAttribute, buffer, sizeof buffer);
    if (n >= 0) {
        head.assign(buffer, static_cast<size_t>(n));
        return 1;
    }
    return errno == ENODATA || errno == ENOTSUP ? 0 : -1;
}

// Opens the partial file for the body, resuming when its stored date is
// `lastModified` and starting it over otherwise. Every moment of it leaves
// files that a later run resumes from correctly or starts over from: the
// body file is empty whenever the head beside it (attribute or side file)
// is not the one its bytes belong to, and an empty body file resumes as
// nothing whichever layout it is read as (no 0x00 in it: no date; with a
// head: a range from 0). So the body file is made (or emptied) first and its
// head written after, before any body byte.
bool StartPartFile(const std::string& partFile, const std::string& lastModified, TPartStart& part) {
    const std::string body = TWinPath::ToNative(partFile);
    const std::string head = TWinPath::ToNative(HeadFileOf(partFile));
    if (body.empty() || head.empty()) return false;
    // Mostly there is none: made here, and the open answers that.
    part.Body.Reset(::open(body.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
    if (part.Body.ok()) {
        // A side file left alone by an earlier run (its body had gone into
        // place) would stay for ever beside a body that uses the attribute.
        // Looked for first: an unlink locks the folder even when there is
        // nothing to remove, and the downloads running at once all make
        // their files in that folder.
        struct stat st;
        if (::lstat(head.c_str(), &st) == 0) ::unlink(head.c_str());
    } else {
        if (errno != EEXIST) return false;
        part.Body.Reset(::open(body.c_str(), O_RDWR | O_CLOEXEC));
        if (!part.Body.ok()) return false;
        std::string stored;
        bool dated = false;
        bool beside = false; // a head outside the body file
        std::string attribute;
        const int inAttribute = ReadHeadAttribute(part.Body.get(), attribute);
        if (inAttribute != 0) {
            // An attribute that is there but cannot be read says nothing of
            // the body, as a side file that cannot be read: it starts over.
            beside = true;
            dated = inAttribute > 0 && ParseStoredDate(attribute, stored);
            // A side file as well can only be another version's, and stale.
            ::unlink(head.c_str());
        } else {
            TFileDescriptor headFd(::open(head.c_str(), O_RDONLY | O_CLOEXEC));
            const int openError = errno;
            beside = part.SideFile = headFd.ok();
            if (beside)
                dated = ReadStoredDate(headFd.get(), stored);
            else if (openError == ENOENT)
                dated = ReadStoredDate(part.Body.get(), stored);
        }
        if (dated && !stored.empty() && stored == lastModified) {
            const off_t size = ::lseek(part.Body.get(), 0, SEEK_END);
            const int64_t headLength = beside ? 0 : static_cast<int64_t>(stored.size()) + 1;
            if (size >= headLength) {
                part.Resume = true;
                part.HeadLength = headLength;
                part.Held = size - headLength;
                return true;
            }
        }
        if (::ftruncate(part.Body.get(), 0) != 0) return false;
    }
    std::string date = lastModified;
    date.push_back('\0');
    // A body that has its side file keeps it; otherwise the attribute, where
    // the file system has them.
    if (!part.SideFile && ::fsetxattr(part.Body.get(), kHeadAttribute, date.data(), date.size(), 0) == 0)
        return true;
    part.SideFile = true;
    TFileDescriptor headFd(::open(head.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
    return headFd.ok() && headFd.WriteAll(date.data(), date.size()) && headFd.Close();
}

// TFileOps::FileExists || DirectoryExists with one stat.
bool FileOrFolderAt(const std::string& winPath) {
    const std::string native = TWinPath::ToNative(winPath);
    struct stat st;
    return !native.empty() && ::stat(native.c_str(), &st) == 0 &&
           (S_ISREG(st.st_mode) || S_ISDIR(st.st_mode));
}

// A rename that never replaces puts the body on a free save name with no
// empty file made first, and is no rename over an existing file either
// (see RenameOnly).
int RenameNoReplaceCall(const char* from, const char* to) {
    return ::renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE);
}

// Puts the body file in the place of the empty file that holds the save
// name: false with errno EXDEV across file systems, where the caller copies
// on a worker instead. The two are exchanged, not replaced: a rename over an
// existing file makes ext4 write the renamed file out there and then (its
// guard for programs that rewrite files that way), which costs the writing
// of the whole body at the end of the transfer, and makes the next fsync of
// any file wait for it. The empty file comes back under the partial name
// and goes.
bool RenameOnly(const std::string& from, const std::string& to) {
    const std::string a = TWinPath::ToNative(from);
    const std::string b = TWinPath::ToNative(to);
    if (a.empty() || b.empty()) {
        errno = ENOENT;
        return false;
    }
    if (::renameat2(AT_FDCWD, a.c_str(), AT_FDCWD, b.c_str(), RENAME_EXCHANGE) == 0) {
        ::unlink(a.c_str());
        return true;
    }
    // No exchange on this file system, or no empty file: an ordinary rename.
    if (errno != EINVAL && errno != ENOSYS && errno != ENOENT) return false;
    return ::rename(a.c_str(), b.c_str()) == 0;
}

bool ParseLength(const std::string& text, int64_t& value) {
    std::string t = TSjisText::Trim(text);
    if (t.empty()) return false;
    char* endp = nullptr;
    errno = 0;
    long long v = std::strtoll(t.c_str(), &endp, 10);
    if (errno != 0 || *endp != '\0' || v < 0) return false;
    value = v;
    return true;
}

} // namespace

// Copies the body out of the partial file into the save folder on a worker,
// so that the main thread never copies a file. It frees itself; its end runs
// on the main thread and reaches the manager only while that still exists.
struct TQorDownloadManager::TMoveState {
    bool managerAlive = true; // main thread only
    std::atomic<bool> copied{false};
};

class TQorDownloadManager::TMoveThread : public TThread {
public:
    using TState = TMoveState;
    TMoveThread(std::string from, int64_t offset, std::string to, std::shared_ptr<TState> state)
        : from_(std::move(from)), offset_(offset), to_(std::move(to)), state_(std::move(state)) {
        FreeOnTerminate = true;
    }
    ~TMoveThread() override { TerminateAndWait(); }

protected:
    void Execute() override { state_->copied = CopyTail(from_, offset_, to_, std::string()); }

private:
    std::string from_;
    int64_t offset_;
    std::string to_;
    std::shared_ptr<TState> state_;
};

TQorDownloadManager::TQorDownloadManager()
    : File(std::make_unique<TQorFile>()) {}

TQorDownloadManager::~TQorDownloadManager() {
    // The thread calls back into this object until its end handler ran.
    if (Thread && !Terminated) Cancel();
    // A copy under way ends first (the partial file stays until it is whole);
    // its end report no longer reaches a queue.
    if (moveState_) moveState_->managerAlive = false;
}

void TQorDownloadManager::SetFile(const TQorFile* file) { File->Assign(file); }

void TQorDownloadManager::SetSaveDir(const std::string& dir) {
    SaveDir = dir.empty() ? std::string() : TWinPath::IncludeTrailingBackslash(dir);
}

uint32_t TQorDownloadManager::GetTickCount() {
    using namespace std::chrono;
    return static_cast<uint32_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

void TQorDownloadManager::Download(bool first) {
    if (first) {
        RunCount = 1;
    } else {
        ++RunCount;
    }
    Terminated = false;
    Receiving = false;
    Canceled = false;
    PartFile.clear();
    SaveName.clear();
    SizeRefused = false;
    TransferError = 0;
    ConnectFailure = cfNone;
    ConnectDetail.clear();
    State = 1;
    FileSize = -1;
    LoadSize = 0;
    PrevLoadSize = 0;
    LastTick = GetTickCount();
    resumeOffset_ = 0;
    headLength_ = 0;
    headSide_ = false;
    rangeSent_ = false;

    if (!File->URL->IsHttp()) {
        // Nothing fetches this scheme; ending the row here frees its slot in
        // the queue instead of leaving it "downloading" for ever.
        Terminated = true;
        State = 3;
        Result = 2;
        StatusCode = 0;
        if (OnLoaded) OnLoaded(this, Result, StatusCode);
        return;
    }

    // Made for the transfer and freed at its end: a queue of thousands of
    // rows should not hold thousands of extractors that resolve nothing.
    if (!PageItems) PageItems = std::make_unique<TQorPageItems>();
    auto* thread = new TQorLoadThread();
    thread->Conn = Conn;
    thread->DownloadMode = true;
    thread->Items = PageItems.get();
    thread->WaitSeconds = RunCount > 1 ? RetryWait : 0;
    thread->OnHeading = [this](TQorLoadThread* s, TQorFile& f) { LoaderHeading(s, f); };
    thread->OnHead = [this](TQorLoadThread* s, TQorFile& f, bool text, bool& get) {
        LoaderHead(s, f, text, get);
    };
    thread->SetOnReceiveData([this](TInetBase* s, int count) { LoaderReceiveData(s, count); });
    thread->OnTerminate = [this, thread](TThread*) { LoaderTerminate(thread); };
    thread->AddFile(File.get());
    Thread = thread;
    thread->Resume();
}

void TQorDownloadManager::Stop() {
    if (Thread && !Terminated) {
        State = 2;
        Thread->Suspend();
    }
}

void TQorDownloadManager::Restart() {
    if (Thread && !Terminated) {
        Thread->Resume();
        State = 1;
    }
}

void TQorDownloadManager::Cancel() {
    Canceled = true;
    if (!Thread || Terminated) return;
    // The end handler (main thread) sets Terminated; until it has run the
    // thread object is alive.
    Thread->Resume();
    Thread->Cancel();
    while (!Terminated) TThread::CheckSynchronize(50);
}

void TQorDownloadManager::Assign(const TPersistent* source) {
    auto* src = dynamic_cast<const TQorDownloadManager*>(source);
    if (!src || src == this) return;
    Item = src->Item;
    File->Assign(src->File.get());
    Conn = src->Conn;
    State = src->State.load();
    FileSize = src->FileSize.load();
    LoadSize = src->LoadSize.load();
    PrevLoadSize = src->PrevLoadSize.load();
    SaveDir = src->SaveDir;
    Result = src->Result;
    CachePath = src->CachePath;
    StatusCode = src->StatusCode;
    SaveName = src->SaveName;
    OnHeading = src->OnHeading;
    OnHead = src->OnHead;
    OnReceiveData = src->OnReceiveData;
    OnLoaded = src->OnLoaded;
}

std::string TQorDownloadManager::GetSpecialExt(const std::string& type, const std::string& subtype) {
    if (subtype == "msvideo") return "avi";
    if (subtype == "realmedia") return "rm";
    if (subtype == "quicktime") return "mov";
    if (subtype == "mpeg" || subtype == "mpeg3") return type == "audio" ? "mp3" : "mpg";
    if (subtype == "pjpeg" || subtype == "jpeg") return "jpg";
    if (subtype == "realaudio") return "ram";
    if (subtype == "flash") return "swf";
    return subtype;
}

std::string TQorDownloadManager::GetSaveFileNameA(const std::string& dir, const std::string& name) const {
    const std::string n = name.empty() ? std::string("index.html") : name;
    std::string candidate = dir + n;
    if (!FileOrFolderAt(candidate)) return candidate;
    const std::string ext = TWinPath::ExtractFileExt(n);
    const std::string base = n.substr(0, n.size() - ext.size());
    for (int i = 1;; ++i) {
        candidate = dir + base + "(" + std::to_string(i) + ")" + ext;
        if (!FileOrFolderAt(candidate)) return candidate;
    }
}

std::string TQorDownloadManager::ServerFolder(const TInetURLEx& url) {
    std::string result;
    auto addSegment = [&result](const std::string& segment) {
        if (segment.empty() || segment == ".") return;
        std::string safe;
        if (segment == "..") {
            safe = "%46%46";
        } else {
            for (size_t i = 0; i < segment.size();) {
                size_t len = TSjisText::CharLength(segment, i);
                char c = segment[i];
                if (len == 1 && (c == ':' || c == '*' || c == '?' || c == '"' || c == '<' ||
                                 c == '>' || c == '|' || c == '\\')) {
                    safe += "%" + std::to_string(static_cast<unsigned char>(c));
                } else {
                    safe.append(segment, i, len);
                }
                i += len;
            }
        }
        result += safe + "\\";
    };
    addSegment(url.Host);
    const std::string& dir = url.Dir;
    size_t start = 0;
    for (;;) {
        size_t slash = TSjisText::FindChar(dir, '/', start);
        if (slash == std::string::npos) {
            addSegment(dir.substr(start));
            break;
        }
        addSegment(dir.substr(start, slash - start));
        start = slash + 1;
    }
    return result;
}

std::string TQorDownloadManager::SystemName(const std::string& decoded) {
    // Today's servers and browsers percent-encode UTF-8; read as Shift-JIS it
    // would give another name, and its last lead byte could take the dot of
    // the extension. Shift-JIS names are practically never valid UTF-8.
    bool ascii = true;
    for (unsigned char c : decoded) ascii = ascii && c < 0x80;
    if (ascii || !TCodePage::IsUtf8(decoded)) return decoded;
    return TCodePage::FromUtf8(decoded);
}

std::string TQorDownloadManager::CleanSaveName(const std::string& name) {
    // A backslash is a folder separator here, so it goes with the slash.
    std::string clean = TSjisText::RemoveChars(name, "/\\:,;*?\"<>|");
    if (!clean.empty() && clean[0] == '.') clean = "dothead" + clean;
    return clean;
}

int (*TQorDownloadManager::RenameNoReplace)(const char* from, const char* to) = RenameNoReplaceCall;

std::string TQorDownloadManager::SaveFolder() const {
    std::string folder = SaveDir.empty() ? DefaultSaveDir : SaveDir;
    if (!folder.empty()) folder = TWinPath::IncludeTrailingBackslash(folder);
    if (DirReapp) folder += ServerFolder(*File->URL);
    return folder;
}

bool TQorDownloadManager::MoveToFreeName(std::string& path) {
    const std::string folder = SaveFolder();
    path = folder + (SaveName.empty() ? std::string("index.html") : SaveName);
    const std::string from = TWinPath::ToNative(PartFile);
    const std::string to = TWinPath::ToNative(path);
    if (from.empty() || to.empty()) return false;
    if (RenameNoReplace(from.c_str(), to.c_str()) == 0) return true;
    // The folders are made only when the first try finds one missing.
    if (errno != ENOENT || !TFileOps::ForceDirectories(folder)) return false;
    return RenameNoReplace(from.c_str(), to.c_str()) == 0;
}

bool TQorDownloadManager::CreateLoadFile(const std::string& name, std::string& path) {
    const std::string folder = SaveFolder();
    // ForceDirectories answers at once for a folder that is there.
    if (!TFileOps::ForceDirectories(folder)) return false;
    for (int i = 0; i < 100; ++i) {
        path = GetSaveFileNameA(folder, name);
        int fd = OpenNative(path, O_WRONLY | O_CREAT | O_EXCL);
        if (fd >= 0) {
            ::close(fd);
            return true;
        }
    }
    return false;
}

void TQorDownloadManager::LoaderHeading(TQorLoadThread*, TQorFile& file) {
    if (OnHeading) OnHeading(this, file);
}

void TQorDownloadManager::LoaderHead(TQorLoadThread* sender, TQorFile& file, bool, bool& getEntity) {
    getEntity = false;
    if (!file.URL->IsHttp()) return;
    TInetHTTP& http = sender->GetHTTP();
    const TInetHTTPResponseHeader& response = http.ResponseHeader;

    // 1. Content type.
    std::string mainType, subType;
    {
        const std::string type = response.Values.Get("content-type");
        size_t slash = TSjisText::FindChar(type, '/');
        if (slash != std::string::npos) {
            mainType = TSjisText::LowerCase(type.substr(0, slash));
            subType = TSjisText::LowerCase(type.substr(slash + 1));
        } else {
            subType = type;
        }
    }

    // 2. Suggested name.
    std::string name = response.GetAlias();
    if (name.empty()) name = file.URL->FileName;
    if (name.empty()) {
        if (!mainType.empty() && mainType != "text") {
            std::string dir = file.URL->Dir;
            if (!dir.empty() && dir.back() == '/') dir.pop_back();
            size_t last = TSjisText::FindLastChar(dir, '/');
            name = last == std::string::npos ? dir : dir.substr(last + 1);
        } else {
            name = "index.html";
        }
    }

    // 3. Extension completion.
    if (TWinPath::ExtractFileExt(name).empty()) {
        if (mainType == "text" && subType == "plain") {
            name += ".txt";
        } else if (mainType == "text" || mainType == "image") {
            name += "." + GetSpecialExt(mainType, subType);
        } else if (!mainType.empty()) {
            size_t dash = subType.rfind('-');
            std::string part = dash == std::string::npos ? subType : subType.substr(dash + 1);
            name += "." + GetSpecialExt(mainType, part);
        }
    }

    // 4, 5.
    const std::string decoded = TInetURLEncoder::Decode(name);
    PartFile = TWinPath::IncludeTrailingBackslash(CachePath) +
               TXMD5::Get(file.URL->GetFullDir() + decoded) + ".pcf";

    // 6.
    const int status = response.StatusCode;
    if (status >= 400) {
        if (status == 404) {
            TFileOps::DeleteFile(PartFile);
            TFileOps::DeleteFile(HeadFileOf(PartFile));
        }
        return;
    }

    // 7, 8.
    int64_t length = -1;
    if (!ParseLength(response.Values.Get("content-length"), length)) length = -1;
    if (CheckSize) {
        const uint64_t ulength = length < 0 ? UINT64_MAX : static_cast<uint64_t>(length);
        if (SizeVector ? LimitSize >= ulength : LimitSize <= ulength) {
            SizeRefused = true;
            return;
        }
    }

    // 9, 10, 11.
    LastModified = response.Values.Get("last-modified");
    http.RequestHeader.ExtraHeaders.clear();
    LoadSize = 0;
    TPartStart part;
    if (!StartPartFile(PartFile, LastModified, part)) return;
    headLength_ = part.HeadLength;
    headSide_ = part.SideFile;
    if (part.Resume) {
        LoadSize = part.Held;
        resumeOffset_ = part.Held;
        rangeSent_ = true;
        http.RequestHeader.ExtraHeaders.push_back("range: bytes=" + std::to_string(part.Held) + "-");
    }

    // 12.
    SaveName = CleanSaveName(SystemName(decoded));
    sender->SavePath = PartFile;
    http.Append = true;
    // The body goes through the descriptor opened here.
    http.SetTargetDescriptor(part.Body.Release(), part.HeadLength + part.Held);
    FileSize = length;
    getEntity = true;
    if (OnHead) OnHead(this);
    Receiving = true;
}

void TQorDownloadManager::LoaderReceiveData(TInetBase*, int count) {
    if (!Receiving) return;
    LoadSize += count;
    // Bytes taken back (the HTTP client asks again after a connection that
    // closed midway); the next progress shows the new count.
    if (count < 0) return;
    if (!OnReceiveData) return;
    const uint32_t now = GetTickCount();
    if (now - LastTick.load() > 1000) {
        OnReceiveData(this, count);
        LastTick = GetTickCount();
        PrevLoadSize = LoadSize.load();
    }
}

void TQorDownloadManager::LoaderTerminate(TQorLoadThread* sender) {
    TInetHTTP& http = sender->GetHTTP();
    Terminated = true;
    State = 3;
    Result = http.ErrorCode;
    StatusCode = http.ResponseHeader.StatusCode;
    TransferError = Result;
    ConnectFailure = Result == 2 && http.GetSocket() ? http.GetSocket()->LastConnectFailure() : cfNone;
    ConnectDetail = ConnectFailure != cfNone ? http.GetSocket()->LastFailureDetail() : std::string();

    // A server that ignored the range and sent the whole body (2xx but not
    // 206) appended it after the old part: drop the old part so the file
    // starts again from this body.
    if (resumeOffset_ > 0 && Receiving && http.HeaderParsed && StatusCode >= 200 &&
        StatusCode < 300 && StatusCode != 206) {
        std::string head;
        if (headLength_ > 0) {
            head = LastModified;
            head.push_back('\0');
        }
        const std::string temp = PartFile + ".tmp";
        if (CopyTail(PartFile, headLength_ + resumeOffset_, temp, head) &&
            TFileOps::RenameFile(temp, PartFile)) {
            LoadSize -= resumeOffset_;
            // The copy holds the bytes alone: the head goes back on it.
            if (headLength_ == 0 && !headSide_) {
                std::string date = LastModified;
                date.push_back('\0');
                ::setxattr(TWinPath::ToNative(PartFile).c_str(), kHeadAttribute, date.data(), date.size(), 0);
            }
        } else {
            TFileOps::DeleteFile(temp);
            TFileOps::DeleteFile(PartFile);
            if (Result == 0) Result = 4;
        }
        resumeOffset_ = 0;
    }

    // A 416 carries no body; its length says nothing about the file.
    if (Result == 0 && FileSize != -1 && StatusCode != 416) {
        if (static_cast<uint64_t>(LoadSize.load()) < static_cast<uint64_t>(FileSize.load())) Result = 3;
    } else if (Result == 0 && FileSize == -1 && StatusCode != 416) {
        if (sender->Refused && StatusCode < 400) Result = 1;
    }

    bool retry = true;
    if (Result == 0) {
        if (StatusCode >= 200 && StatusCode <= 299) {
            Result = 4;
            std::string path;
            if (headLength_ == 0 && MoveToFreeName(path)) {
                Result = 0;
                DropHead(path);
            } else if (CreateLoadFile(SaveName, path)) {
                // On one file system the body file itself goes into place.
                if (headLength_ == 0 && RenameOnly(PartFile, path)) {
                    Result = 0;
                    DropHead(path);
                } else if (headLength_ > 0 || errno == EXDEV) {
                    // Across file systems (or an older partial file with its
                    // head inside) the body is copied, on a worker.
                    Thread = nullptr;
                    Moving = true;
                    State = 1;
                    auto state = std::make_shared<TMoveState>();
                    moveState_ = state;
                    auto* move = new TMoveThread(PartFile, headLength_, path, state);
                    move->OnTerminate = [this, state](TThread*) {
                        if (state->managerAlive) MoveTerminate(state->copied);
                    };
                    if (OnMove) OnMove(this);
                    move->Start();
                    return;
                }
            }
        }
        if (StatusCode == 416 && rangeSent_) {
            TFileOps::DeleteFile(PartFile);
            TFileOps::DeleteFile(HeadFileOf(PartFile));
            --RunCount;
        } else {
            retry = false;
        }
    }
    EndAttempt(retry);
}

void TQorDownloadManager::DropHead(const std::string& savedPath) {
    if (headSide_)
        TFileOps::DeleteFile(HeadFileOf(PartFile));
    else
        ::removexattr(TWinPath::ToNative(savedPath).c_str(), kHeadAttribute);
}

void TQorDownloadManager::MoveTerminate(bool copied) {
    moveState_.reset();
    Moving = false;
    State = 3;
    // The partial file goes only once its body is whole in the save folder.
    Result = copied ? 0 : 4;
    if (Result == 0) {
        if (TFileOps::FileExists(PartFile) && !TFileOps::DeleteFile(PartFile)) Result = 4;
        // An older partial file (head inside) has none beside it; the copy
        // took no attribute along.
        if (headLength_ == 0 && headSide_) TFileOps::DeleteFile(HeadFileOf(PartFile));
    }
    EndAttempt(false);
}

void TQorDownloadManager::EndAttempt(bool retry) {
    if (RunCount >= RetryCount || !retry || Result == 1) {
        retry = false;
        // The client's code, not Result: a refused head (Result 1) is no
        // cancellation, and the queue must start its next rows after it.
        if (OnLoaded) OnLoaded(this, TransferError, StatusCode);
    }
    Thread = nullptr;
    if (retry && RunCount < RetryCount && !Canceled) {
        if (OnRetry) OnRetry(this);
        Download(false);
    } else {
        PageItems.reset();
    }
}
