#pragma once
// A TLS relay in front of a plain test server whose certificate comes from
// an authority the trust store does not hold: for as long as it lives, the
// trust store is the test's own folder holding only another authority, so
// every connect to it fails with "unknown issuer".
#include "support/ScopedEnv.h"
#include "support/TestCertificates.h"
#include "support/TestTlsRelay.h"

#include <string>

class TStrangerTlsRelay {
public:
    TStrangerTlsRelay(const std::string& folder, int backendPort)
        : caWritten_(trusted_.WriteCa(folder + "/ca.pem")),
          certFile_("SSL_CERT_FILE", folder + "/ca.pem"),
          certDir_("SSL_CERT_DIR", folder),
          issued_(stranger_.IssueLocal()),
          relay_(backendPort, issued_.CertPem, issued_.KeyPem) {}

    // False when the trusted authority could not be written.
    bool Ready() const { return caWritten_; }
    std::string Url(const std::string& path) const { return relay_.Url(path); }

private:
    const TTestCertificates trusted_{"Trusted CA"};
    const TTestCertificates stranger_{"Stranger CA"};
    const bool caWritten_;
    TScopedEnv certFile_;
    TScopedEnv certDir_;
    const TTestCertificates::TIssued issued_;
    TTestTlsRelay relay_;
};
