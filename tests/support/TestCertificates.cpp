#include "support/TestCertificates.h"

#include <cstdlib>
#include <fstream>
#include <memory>

#include "support/TempDir.h"

namespace sktest {

namespace {

const char* const kTestHosts =
    "DNS:localhost,DNS:download.test,DNS:collect.test,DNS:plain.test,DNS:tls.test,IP:127.0.0.1";

bool Run(const std::string& command)
{
    std::string quiet = command + " >/dev/null 2>&1";
    return std::system(quiet.c_str()) == 0;
}

TestCertificates Make(const TempDir& dir)
{
    TestCertificates certs;
    const std::string ecKey = "-newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes";
    std::string d = dir.Path() + "/";
    dir.WriteFile("server.ext", std::string("subjectAltName=") + kTestHosts +
                                    "\nbasicConstraints=CA:FALSE\nkeyUsage=digitalSignature,keyEncipherment\n"
                                    "extendedKeyUsage=serverAuth\n");
    bool ok = Run("openssl req -x509 " + ecKey + " -keyout " + d + "ca.key -out " + d +
                  "ca.crt -days 3 -subj '/CN=Valtrix Test CA'") &&
              Run("openssl req " + ecKey + " -keyout " + d + "server.key -out " + d +
                  "server.csr -subj '/CN=localhost'") &&
              Run("openssl x509 -req -in " + d + "server.csr -CA " + d + "ca.crt -CAkey " + d +
                  "ca.key -CAcreateserial -out " + d + "server.crt -days 3 -extfile " + d + "server.ext") &&
              Run("openssl req -x509 " + ecKey + " -keyout " + d + "untrusted.key -out " + d +
                  "untrusted.crt -days 3 -subj '/CN=localhost' -addext 'subjectAltName=" + kTestHosts + "'");
    certs.caFile = d + "ca.crt";
    certs.certFile = d + "server.crt";
    certs.keyFile = d + "server.key";
    certs.untrustedCertFile = d + "untrusted.crt";
    certs.untrustedKeyFile = d + "untrusted.key";
    certs.ok = ok;
    return certs;
}

} // namespace

const TestCertificates& GetTestCertificates()
{
    // The folder lives as long as the test process.
    static const std::unique_ptr<TempDir> dir = std::make_unique<TempDir>();
    static const TestCertificates certs = Make(*dir);
    return certs;
}

TrustTestCa::TrustTestCa()
{
    if (const char* value = std::getenv("SSL_CERT_FILE")) {
        m_hadValue = true;
        m_previous = value;
    }
    setenv("SSL_CERT_FILE", GetTestCertificates().caFile.c_str(), 1);
}

TrustTestCa::~TrustTestCa()
{
    if (m_hadValue)
        setenv("SSL_CERT_FILE", m_previous.c_str(), 1);
    else
        unsetenv("SSL_CERT_FILE");
}

} // namespace sktest
