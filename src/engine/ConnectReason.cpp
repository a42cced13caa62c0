#include "engine/ConnectReason.h"

#include "platform/CodePage.h"

#include <string_view>

namespace {

// The transport's words for a certificate it refused, in Japanese; an
// unknown one is shown as it came.
std::string CertificateText(const std::string& detail) {
    struct TWords {
        std::string_view detail;
        const char* text;
    };
    static constexpr TWords words[] = {
        {"unknown issuer", "証明書の発行者が不明です"},
        {"certificate expired", "証明書の有効期限が切れています"},
        {"certificate not yet valid", "証明書はまだ有効になっていません"},
        {"wrong host name", "証明書のホスト名が一致しません"},
        {"certificate revoked", "証明書は失効しています"},
    };
    for (const TWords& w : words)
        if (detail == w.detail) return SJ(w.text);
    return SJ("サーバの証明書を受け入れられません (") + detail + ")";
}

} // namespace

std::string TConnectReason::Text(TConnectFailure failure, const std::string& detail) {
    switch (failure) {
    case cfCertificate: return CertificateText(detail);
    case cfHandshake:
        if (detail == "handshake failure") return SJ("TLS のハンドシェイクに失敗しました");
        return SJ("TLS で接続できません (") + detail + ")";
    case cfProxyTunnel: return SJ("プロキシのトンネルを開けません (") + detail + ")";
    default: return {};
    }
}

std::string TConnectReason::Suffix(TConnectFailure failure, const std::string& detail) {
    const std::string text = Text(failure, detail);
    return text.empty() ? text : " (" + text + ")";
}
