#pragma once
// The credentials the user entered for 401 answers, kept per address for
// the life of the program, so a page reloaded or a file downloaded again is
// not asked for them twice. Answers the load threads' credentials question
// (TQorLoadThread::TAuthorizeEvent) with `Ask` standing for the dialog.
//
// Rule: when the request did not carry the kept credentials of its address
// yet, they are sent without asking; otherwise (none kept, or the kept ones
// were refused) the dialog asks, prefilled, and a confirmed answer is kept.
//
// Threads: main thread only (the question comes synchronised there).
#include <functional>
#include <map>
#include <string>
#include <utility>

class TQorFile;

class TQorAuthStore {
public:
    using TAskEvent = std::function<bool(const TQorFile& file, std::string& user, std::string& password)>;

    bool Answer(const TQorFile& file, std::string& user, std::string& password, const TAskEvent& ask);
    // Keeps credentials for the address of `file` (the page loaded with them).
    void Keep(const TQorFile& file, const std::string& user, const std::string& password);
    bool Find(const TQorFile& file, std::string& user, std::string& password) const;
    void Clear() { kept_.clear(); }

    // The key of an address: its comparable form with the port, without
    // the query.
    static std::string Key(const TQorFile& file);

private:
    std::map<std::string, std::pair<std::string, std::string>> kept_;
};
