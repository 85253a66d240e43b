// TLS through OpenSSL, on memory buffers: the connection moves the bytes.
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>

#include <mutex>
#include <vector>

#include "platform/Tls.h"

namespace platform::tls {

namespace {

std::mutex gRootsLock;
std::vector<std::string> gExtraRoots;  // PEM

std::string OpenSslError(const char* what) {
    std::string text = what;
    if (const unsigned long code = ERR_get_error()) {
        char buffer[256];
        ERR_error_string_n(code, buffer, sizeof buffer);
        text += ": ";
        text += buffer;
    }
    ERR_clear_error();
    return text;
}

struct CtxFree {
    void operator()(SSL_CTX* c) const { SSL_CTX_free(c); }
};
struct SslFree {
    void operator()(SSL* s) const { SSL_free(s); }
};

class OpenSslEngine : public Engine {
public:
    bool Start(const std::string& serverName) {
        FCtx.reset(SSL_CTX_new(TLS_client_method()));
        if (!FCtx) return Fail("Cannot start TLS");
        SSL_CTX_set_min_proto_version(FCtx.get(), TLS1_2_VERSION);
        // The chain is checked after the handshake (VerifyChain), so that a refusal can
        // name the certificate; nothing is sent before that.
        SSL_CTX_set_verify(FCtx.get(), SSL_VERIFY_NONE, nullptr);
        SSL_CTX_set_default_verify_paths(FCtx.get());
        {
            std::lock_guard<std::mutex> guard(gRootsLock);
            X509_STORE* store = SSL_CTX_get_cert_store(FCtx.get());
            for (const std::string& pem : gExtraRoots) {
                BIO* bio = BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size()));
                if (X509* cert = PEM_read_bio_X509(bio, nullptr, nullptr, nullptr)) {
                    X509_STORE_add_cert(store, cert);
                    X509_free(cert);
                }
                BIO_free(bio);
            }
        }
        FSsl.reset(SSL_new(FCtx.get()));
        if (!FSsl) return Fail("Cannot start TLS");
        BIO* in = BIO_new(BIO_s_mem());
        BIO* out = BIO_new(BIO_s_mem());
        if (!in || !out) {
            BIO_free(in);
            BIO_free(out);
            return Fail("Cannot start TLS");
        }
        BIO_set_mem_eof_return(in, -1);
        SSL_set_bio(FSsl.get(), in, out);  // owned by the SSL from here
        FIn = in;
        FOut = out;
        X509_VERIFY_PARAM* param = SSL_get0_param(FSsl.get());
        if (IsAddressLiteral(serverName)) {
            X509_VERIFY_PARAM_set1_ip_asc(param, serverName.c_str());
        } else {
            SSL_set_tlsext_host_name(FSsl.get(), serverName.c_str());
            X509_VERIFY_PARAM_set_hostflags(param, X509_CHECK_FLAG_NO_PARTIAL_WILDCARDS);
            X509_VERIFY_PARAM_set1_host(param, serverName.c_str(), serverName.size());
        }
        SSL_set_connect_state(FSsl.get());
        return true;
    }

    Status Handshake(std::string& in, std::string& out) override {
        Feed(in);
        const int r = SSL_do_handshake(FSsl.get());
        Drain(out);
        if (r == 1) return Status::Done;
        const int e = SSL_get_error(FSsl.get(), r);
        if (e == SSL_ERROR_WANT_READ) return Status::NeedMore;
        Fail("TLS handshake failed");
        return Status::Failed;
    }

    Status Decrypt(std::string& in, std::string& plain) override {
        Feed(in);
        char buffer[16384];
        for (;;) {
            const int n = SSL_read(FSsl.get(), buffer, sizeof buffer);
            if (n > 0) {
                plain.append(buffer, static_cast<std::size_t>(n));
                continue;
            }
            const int e = SSL_get_error(FSsl.get(), n);
            if (e == SSL_ERROR_WANT_READ) return Status::Done;
            if (e == SSL_ERROR_ZERO_RETURN) return Status::Closed;
            Fail("TLS error");
            return Status::Failed;
        }
    }

    bool Encrypt(std::string_view plain, std::string& out) override {
        std::size_t done = 0;
        while (done < plain.size()) {
            std::size_t written = 0;
            if (SSL_write_ex(FSsl.get(), plain.data() + done, plain.size() - done, &written) != 1) {
                Fail("TLS error");
                return false;
            }
            done += written;
        }
        Drain(out);
        return true;
    }

    void Close(std::string& out) override {
        if (!SSL_is_init_finished(FSsl.get())) return;
        SSL_shutdown(FSsl.get());
        Drain(out);
        ERR_clear_error();
    }

    std::string PeerCertificate() const override {
        X509* cert = SSL_get_peer_certificate(FSsl.get());
        if (!cert) return std::string();
        std::string der;
        const int size = i2d_X509(cert, nullptr);
        if (size > 0) {
            der.resize(static_cast<std::size_t>(size));
            auto* p = reinterpret_cast<unsigned char*>(&der[0]);
            i2d_X509(cert, &p);
        }
        X509_free(cert);
        return der;
    }

    std::string VerifyChain() override {
        if (PeerCertificate().empty()) return RefusedNoCertificate;
        switch (SSL_get_verify_result(FSsl.get())) {
        case X509_V_OK: return std::string();
        case X509_V_ERR_HOSTNAME_MISMATCH:
        case X509_V_ERR_IP_ADDRESS_MISMATCH: return RefusedName;
        case X509_V_ERR_CERT_HAS_EXPIRED:
        case X509_V_ERR_CERT_NOT_YET_VALID: return RefusedExpired;
        default: return RefusedUntrusted;
        }
    }

    std::string Protocol() const override { return SSL_get_version(FSsl.get()); }

private:
    bool Fail(const char* what) {
        FError = OpenSslError(what);
        return false;
    }
    void Feed(std::string& in) {
        if (!in.empty()) BIO_write(FIn, in.data(), static_cast<int>(in.size()));
        in.clear();
    }
    void Drain(std::string& out) {
        char buffer[16384];
        int n;
        while ((n = BIO_read(FOut, buffer, sizeof buffer)) > 0) out.append(buffer, static_cast<std::size_t>(n));
    }

    std::unique_ptr<SSL_CTX, CtxFree> FCtx;
    std::unique_ptr<SSL, SslFree> FSsl;
    BIO* FIn = nullptr;
    BIO* FOut = nullptr;
};

}  // namespace

std::unique_ptr<Engine> NewClient(const std::string& serverName, std::string& error) {
    auto engine = std::make_unique<OpenSslEngine>();
    if (!engine->Start(serverName)) {
        error = engine->Error();
        return nullptr;
    }
    return engine;
}

bool AddTrustedRoot(const std::string& pem) {
    if (PemToDer(pem).empty()) return false;
    std::lock_guard<std::mutex> guard(gRootsLock);
    gExtraRoots.push_back(pem);
    return true;
}

void ClearTrustedRoots() {
    std::lock_guard<std::mutex> guard(gRootsLock);
    gExtraRoots.clear();
}

}  // namespace platform::tls
