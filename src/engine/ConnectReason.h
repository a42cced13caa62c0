#pragma once
// Why a connection could not be opened, in the words the windows show
// (Japanese, CP932): the failures the transport explains, a server
// certificate it did not accept (unknown issuer, expired, wrong host name,
// ...), a TLS handshake that failed, a proxy tunnel refused. The others
// (refused, unknown host, unreachable) get no words here: "open fail" has
// always said enough for them.
#include "platform/Transport.h"

#include <string>

struct TConnectReason {
    // The reason, or empty. `detail` is the transport's LastFailureDetail.
    static std::string Text(TConnectFailure failure, const std::string& detail);
    // " (" + Text + ")", or empty with no Text: for the end of a status
    // text or caption.
    static std::string Suffix(TConnectFailure failure, const std::string& detail);
};
