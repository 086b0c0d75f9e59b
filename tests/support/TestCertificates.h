#pragma once

#include <string>

namespace sktest {

// A certificate authority and one server certificate signed by it, made with the openssl command
// once per test process in a temporary folder. The server certificate names localhost, 127.0.0.1
// download.test, collect.test, plain.test and tls.test.
struct TestCertificates
{
    std::string caFile;   // put this in SSL_CERT_FILE
    std::string certFile; // server certificate (PEM)
    std::string keyFile;  // server key (PEM)
    // A second, self-signed certificate no client trusts.
    std::string untrustedCertFile;
    std::string untrustedKeyFile;
    bool ok = false;
};

// Made on first call; ok is false when the openssl command failed.
const TestCertificates& GetTestCertificates();

// Sets SSL_CERT_FILE to the test CA for its lifetime and restores the previous value after.
class TrustTestCa
{
public:
    TrustTestCa();
    ~TrustTestCa();
    TrustTestCa(const TrustTestCa&) = delete;
    TrustTestCa& operator=(const TrustTestCa&) = delete;

private:
    bool m_hadValue = false;
    std::string m_previous;
};

} // namespace sktest
