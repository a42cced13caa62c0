#include "engine/ConnectReason.h"

#include "platform/CodePage.h"

#include <gtest/gtest.h>

TEST(ConnectReasonTest, WordsForWhatTheTransportExplains) {
    struct TCase {
        const char* name;
        TConnectFailure failure;
        std::string detail;
        const char* text; // UTF-8; empty: no reason
    } cases[] = {
        {.name = "unknown issuer", .failure = cfCertificate, .detail = "unknown issuer", .text = "証明書の発行者が不明です"},
        {.name = "expired", .failure = cfCertificate, .detail = "certificate expired", .text = "証明書の有効期限が切れています"},
        {.name = "wrong host", .failure = cfCertificate, .detail = "wrong host name", .text = "証明書のホスト名が一致しません"},
        {.name = "other certificate fault", .failure = cfCertificate, .detail = "invalid CA certificate",
         .text = "サーバの証明書を受け入れられません (invalid CA certificate)"},
        {.name = "handshake", .failure = cfHandshake, .detail = "handshake failure", .text = "TLS のハンドシェイクに失敗しました"},
        {.name = "no TLS", .failure = cfHandshake, .detail = "TLS is not available",
         .text = "TLS で接続できません (TLS is not available)"},
        {.name = "tunnel", .failure = cfProxyTunnel, .detail = "403", .text = "プロキシのトンネルを開けません (403)"},
        {.name = "refused", .failure = cfRefused, .detail = "", .text = ""},
        {.name = "none", .failure = cfNone, .detail = "", .text = ""},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string text = TCodePage::FromUtf8(c.text);
        EXPECT_EQ(TConnectReason::Text(c.failure, c.detail), text);
        EXPECT_EQ(TConnectReason::Suffix(c.failure, c.detail), text.empty() ? text : " (" + text + ")");
    }
}
