#include "support/TestCertificates.h"

#include <atomic>
#include <fstream>

#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

namespace {

std::atomic<long> serial{1};

EVP_PKEY* NewKey() { return EVP_EC_gen("P-256"); }

void AddExtension(X509* cert, X509* issuer, int nid, const std::string& value) {
    X509V3_CTX ctx;
    X509V3_set_ctx_nodb(&ctx);
    X509V3_set_ctx(&ctx, issuer, cert, nullptr, nullptr, 0);
    X509_EXTENSION* ext = X509V3_EXT_conf_nid(nullptr, &ctx, nid, value.c_str());
    if (ext) {
        X509_add_ext(cert, ext, -1);
        X509_EXTENSION_free(ext);
    }
}

X509* NewCert(EVP_PKEY* key, const std::string& commonName, long fromDays, long toDays) {
    X509* cert = X509_new();
    X509_set_version(cert, 2);
    ASN1_INTEGER_set(X509_get_serialNumber(cert), serial++);
    X509_gmtime_adj(X509_getm_notBefore(cert), fromDays * 86400L);
    X509_gmtime_adj(X509_getm_notAfter(cert), toDays * 86400L);
    X509_set_pubkey(cert, key);
    X509_NAME* name = X509_get_subject_name(cert);
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_UTF8,
                               reinterpret_cast<const unsigned char*>(commonName.c_str()), -1, -1, 0);
    return cert;
}

std::string CertText(X509* cert) {
    BIO* bio = BIO_new(BIO_s_mem());
    PEM_write_bio_X509(bio, cert);
    char* data = nullptr;
    long n = BIO_get_mem_data(bio, &data);
    std::string text(data, static_cast<size_t>(n));
    BIO_free(bio);
    return text;
}

std::string KeyText(EVP_PKEY* key) {
    BIO* bio = BIO_new(BIO_s_mem());
    PEM_write_bio_PrivateKey(bio, key, nullptr, nullptr, 0, nullptr, nullptr);
    char* data = nullptr;
    long n = BIO_get_mem_data(bio, &data);
    std::string text(data, static_cast<size_t>(n));
    BIO_free(bio);
    return text;
}

} // namespace

TTestCertificates::TTestCertificates(const std::string& name) {
    key_ = NewKey();
    cert_ = NewCert(key_, name, -1, 30);
    X509_set_issuer_name(cert_, X509_get_subject_name(cert_));
    AddExtension(cert_, cert_, NID_basic_constraints, "critical,CA:TRUE");
    AddExtension(cert_, cert_, NID_key_usage, "critical,keyCertSign,cRLSign");
    AddExtension(cert_, cert_, NID_subject_key_identifier, "hash");
    X509_sign(cert_, key_, EVP_sha256());
}

TTestCertificates::~TTestCertificates() {
    X509_free(cert_);
    EVP_PKEY_free(key_);
}

TTestCertificates::TIssued TTestCertificates::Issue(const std::vector<std::string>& dnsNames,
                                                    const std::vector<std::string>& ips, int fromDays,
                                                    int toDays) const {
    EVP_PKEY* key = NewKey();
    X509* cert = NewCert(key, dnsNames.empty() ? (ips.empty() ? "server" : ips[0]) : dnsNames[0], fromDays, toDays);
    X509_set_issuer_name(cert, X509_get_subject_name(cert_));
    std::string alt;
    for (const std::string& dns : dnsNames) alt += (alt.empty() ? "DNS:" : ",DNS:") + dns;
    for (const std::string& ip : ips) alt += (alt.empty() ? "IP:" : ",IP:") + ip;
    if (!alt.empty()) AddExtension(cert, cert_, NID_subject_alt_name, alt);
    AddExtension(cert, cert_, NID_basic_constraints, "critical,CA:FALSE");
    AddExtension(cert, cert_, NID_ext_key_usage, "serverAuth");
    AddExtension(cert, cert_, NID_authority_key_identifier, "keyid");
    X509_sign(cert, key_, EVP_sha256());
    TIssued issued{CertText(cert), KeyText(key)};
    X509_free(cert);
    EVP_PKEY_free(key);
    return issued;
}

std::string TTestCertificates::CaPem() const { return CertText(cert_); }

bool TTestCertificates::WriteCa(const std::string& nativePath) const {
    std::ofstream out(nativePath, std::ios::binary | std::ios::trunc);
    out << CaPem();
    return static_cast<bool>(out);
}
