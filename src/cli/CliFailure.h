#pragma once
// Why a page or a file did not arrive, in words of the run's language (the
// program's code page): the HTTP status, why the connection could not be
// opened, a time-out, a file that could not be written.
#include "platform/Transport.h"

#include <string>

class TQorConnGeneral;
class TQorDownloadManager;

struct TCliFailure {
    // Why the connection could not be opened; through a proxy, the proxy is
    // named, since it is what refused.
    static std::string Connect(TConnectFailure failure, const std::string& detail, const TQorConnGeneral& conn,
                               bool japanese);
    // The wait for the server's data ran out (`seconds`: its limit).
    static std::string TimedOut(int seconds, bool japanese);
    // A final answer that brings no page or file: 400 and more, and the
    // 3xx that ends a chain of redirections (not followed, or too long).
    static std::string Status(int status, bool redirect, bool japanese);
    // An address whose scheme nothing fetches.
    static std::string NotFetched(bool japanese);

    // How a page load ended (the load manager's State and Reply, whether it
    // was a local page, why it could not connect): 0 when the page arrived,
    // else the exit status of a page command, with the reason. A 3xx brings
    // no page unless `take3xx`.
    static int Page(int state, int reply, bool local, bool take3xx, TConnectFailure failure, const std::string& detail,
                    const TQorConnGeneral& conn, bool japanese, std::string& reason);

    // The file of a finished download was saved.
    static bool Saved(const TQorDownloadManager& m);
    // The size filter refused it.
    static bool Skipped(const TQorDownloadManager& m);
    // Why the last attempt of a download gave no file.
    static std::string Download(const TQorDownloadManager& m, const TQorConnGeneral& conn, bool japanese);
};
