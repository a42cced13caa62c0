#pragma once
// A certificate authority made in the test process (OpenSSL, EC P-256),
// issuing server certificates for the TLS tests: nothing comes from files
// elsewhere and no tool is run.
#include <string>
#include <vector>

typedef struct evp_pkey_st EVP_PKEY;
typedef struct x509_st X509;

class TTestCertificates {
public:
    struct TIssued {
        std::string CertPem;
        std::string KeyPem;
    };

    explicit TTestCertificates(const std::string& name = "Vorlen Test CA");
    ~TTestCertificates();
    TTestCertificates(const TTestCertificates&) = delete;
    TTestCertificates& operator=(const TTestCertificates&) = delete;

    // A server certificate for the DNS names and IP addresses given, valid
    // from `fromDays` to `toDays` relative to now (negative: in the past).
    TIssued Issue(const std::vector<std::string>& dnsNames, const std::vector<std::string>& ips,
                  int fromDays = -1, int toDays = 30) const;
    // The usual one: "localhost" and 127.0.0.1.
    TIssued IssueLocal() const { return Issue({"localhost"}, {"127.0.0.1"}); }
    std::string CaPem() const;
    // Writes CaPem to a native path.
    bool WriteCa(const std::string& nativePath) const;

private:
    EVP_PKEY* key_ = nullptr;
    X509* cert_ = nullptr;
};
