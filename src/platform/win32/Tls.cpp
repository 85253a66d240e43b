// TLS through the system's SChannel (SSPI) on memory buffers, with the chain checked against
// the system's certificate store. Nothing beside the executable is needed.
#define SECURITY_WIN32
#include <windows.h>
#include <wincrypt.h>
#include <schannel.h>
#include <security.h>
#include <sspi.h>

#include <cstring>
#include <mutex>
#include <vector>

#include "platform/Tls.h"
#include "platform/win32/Wide.h"

namespace platform::tls {

namespace {

std::mutex gRootsLock;
std::vector<std::string> gExtraRoots;  // DER

// SECURITY_FLAG_IGNORE_CERT_CN_INVALID of the internet headers, which this unit needs no more of.
constexpr DWORD kIgnoreNameMismatch = 0x00001000;

std::string StatusText(const char* what, SECURITY_STATUS status) {
    char code[16];
    wsprintfA(code, "0x%08lX", static_cast<unsigned long>(status));
    return std::string(what) + " (" + code + ")";
}

// Owners of the handles, so that every path frees them.
struct CertContext {
    PCCERT_CONTEXT Value = nullptr;
    ~CertContext() {
        if (Value) CertFreeCertificateContext(Value);
    }
};
struct CertStore {
    HCERTSTORE Value = nullptr;
    ~CertStore() {
        if (Value) CertCloseStore(Value, 0);
    }
};
struct ChainContext {
    PCCERT_CHAIN_CONTEXT Value = nullptr;
    ~ChainContext() {
        if (Value) CertFreeCertificateChain(Value);
    }
};

// An IPv4 address among the certificate's alternative names.
bool CertificateHasAddress(PCCERT_CONTEXT cert, const std::string& dotted) {
    unsigned char want[4] = {};
    int part = 0, value = 0;
    for (char c : dotted + ".") {
        if (c == '.') {
            if (part < 4) want[part++] = static_cast<unsigned char>(value);
            value = 0;
        } else {
            value = value * 10 + (c - '0');
        }
    }
    PCERT_EXTENSION ext = CertFindExtension(szOID_SUBJECT_ALT_NAME2, cert->pCertInfo->cExtension,
                                            cert->pCertInfo->rgExtension);
    if (!ext) return false;
    CERT_ALT_NAME_INFO* info = nullptr;
    DWORD size = 0;
    if (!CryptDecodeObjectEx(X509_ASN_ENCODING, X509_ALTERNATE_NAME, ext->Value.pbData, ext->Value.cbData,
                             CRYPT_DECODE_ALLOC_FLAG, nullptr, &info, &size))
        return false;
    bool found = false;
    for (DWORD i = 0; i < info->cAltEntry && !found; ++i) {
        const CERT_ALT_NAME_ENTRY& e = info->rgAltEntry[i];
        if (e.dwAltNameChoice == CERT_ALT_NAME_IP_ADDRESS && e.IPAddress.cbData == 4 &&
            std::memcmp(e.IPAddress.pbData, want, 4) == 0)
            found = true;
    }
    LocalFree(info);
    return found;
}

class SChannelEngine : public Engine {
public:
    ~SChannelEngine() override {
        if (FHaveContext) DeleteSecurityContext(&FContext);
        if (FHaveCredentials) FreeCredentialsHandle(&FCredentials);
    }

    bool Start(const std::string& serverName) {
        FServerName = serverName;
        FTarget = win32::Widen(serverName);
        SCHANNEL_CRED cred{};
        cred.dwVersion = SCHANNEL_CRED_VERSION;
        cred.grbitEnabledProtocols = SP_PROT_TLS1_2_CLIENT;
        // The chain is checked after the handshake (VerifyChain), so that a refusal can name
        // the certificate; nothing is sent before that.
        cred.dwFlags = SCH_CRED_MANUAL_CRED_VALIDATION | SCH_CRED_NO_DEFAULT_CREDS | SCH_USE_STRONG_CRYPTO;
        TimeStamp expiry;
        const SECURITY_STATUS status =
            AcquireCredentialsHandleW(nullptr, const_cast<SEC_WCHAR*>(UNISP_NAME_W), SECPKG_CRED_OUTBOUND, nullptr,
                                      &cred, nullptr, nullptr, &FCredentials, &expiry);
        if (status != SEC_E_OK) {
            FError = StatusText("Cannot start TLS", status);
            return false;
        }
        FHaveCredentials = true;
        return true;
    }

    Status Handshake(std::string& in, std::string& out) override {
        for (;;) {
            SecBuffer inBuffers[2] = {};
            inBuffers[0].BufferType = SECBUFFER_TOKEN;
            inBuffers[0].pvBuffer = in.empty() ? nullptr : &in[0];
            inBuffers[0].cbBuffer = static_cast<unsigned long>(in.size());
            inBuffers[1].BufferType = SECBUFFER_EMPTY;
            SecBufferDesc inDesc{SECBUFFER_VERSION, 2, inBuffers};
            SecBuffer outBuffers[1] = {};
            outBuffers[0].BufferType = SECBUFFER_TOKEN;
            SecBufferDesc outDesc{SECBUFFER_VERSION, 1, outBuffers};
            const unsigned long want = ISC_REQ_SEQUENCE_DETECT | ISC_REQ_REPLAY_DETECT | ISC_REQ_CONFIDENTIALITY |
                                       ISC_REQ_ALLOCATE_MEMORY | ISC_REQ_STREAM | ISC_REQ_EXTENDED_ERROR |
                                       ISC_REQ_MANUAL_CRED_VALIDATION;
            unsigned long got = 0;
            TimeStamp expiry;
            if (FHaveContext && in.empty()) return Status::NeedMore;
            const SECURITY_STATUS status = InitializeSecurityContextW(
                &FCredentials, FHaveContext ? &FContext : nullptr,
                FTarget.empty() ? nullptr : const_cast<SEC_WCHAR*>(FTarget.c_str()), want, 0, 0,
                FHaveContext ? &inDesc : nullptr, 0, &FContext, &outDesc, &got, &expiry);
            if (!FHaveContext && (status == SEC_E_OK || status == SEC_I_CONTINUE_NEEDED)) FHaveContext = true;
            if (outBuffers[0].pvBuffer) {
                if (outBuffers[0].cbBuffer > 0 && (status == SEC_E_OK || status == SEC_I_CONTINUE_NEEDED ||
                                                   FAILED(status)))
                    out.append(static_cast<const char*>(outBuffers[0].pvBuffer), outBuffers[0].cbBuffer);
                FreeContextBuffer(outBuffers[0].pvBuffer);
            }
            if (status == SEC_E_INCOMPLETE_MESSAGE) return Status::NeedMore;
            if (status == SEC_I_INCOMPLETE_CREDENTIALS) continue;  // no client certificate: go on without
            if (status != SEC_E_OK && status != SEC_I_CONTINUE_NEEDED) {
                FError = StatusText("TLS handshake failed", status);
                return Status::Failed;
            }
            if (FHaveContext && inBuffers[1].BufferType == SECBUFFER_EXTRA && inBuffers[1].cbBuffer > 0)
                in.erase(0, in.size() - inBuffers[1].cbBuffer);
            else if (FHaveContext)
                in.clear();
            if (status == SEC_E_OK) return Finish();
        }
    }

    Status Decrypt(std::string& in, std::string& plain) override {
        while (!in.empty()) {
            SecBuffer buffers[4] = {};
            buffers[0].BufferType = SECBUFFER_DATA;
            buffers[0].pvBuffer = &in[0];
            buffers[0].cbBuffer = static_cast<unsigned long>(in.size());
            for (int i = 1; i < 4; ++i) buffers[i].BufferType = SECBUFFER_EMPTY;
            SecBufferDesc desc{SECBUFFER_VERSION, 4, buffers};
            const SECURITY_STATUS status = DecryptMessage(&FContext, &desc, 0, nullptr);
            if (status == SEC_E_INCOMPLETE_MESSAGE) return Status::Done;
            if (status == SEC_I_CONTEXT_EXPIRED) return Status::Closed;
            if (status != SEC_E_OK) {
                FError = StatusText("TLS error", status);
                return Status::Failed;
            }
            std::size_t extra = 0;
            for (const SecBuffer& b : buffers) {
                if (b.BufferType == SECBUFFER_DATA && b.cbBuffer > 0)
                    plain.append(static_cast<const char*>(b.pvBuffer), b.cbBuffer);
                if (b.BufferType == SECBUFFER_EXTRA) extra = b.cbBuffer;
            }
            in.erase(0, in.size() - extra);
        }
        return Status::Done;
    }

    bool Encrypt(std::string_view plain, std::string& out) override {
        std::vector<char> record(FSizes.cbHeader + FSizes.cbMaximumMessage + FSizes.cbTrailer);
        std::size_t done = 0;
        while (done < plain.size()) {
            const std::size_t chunk = std::min<std::size_t>(plain.size() - done, FSizes.cbMaximumMessage);
            std::memcpy(record.data() + FSizes.cbHeader, plain.data() + done, chunk);
            SecBuffer buffers[4] = {};
            buffers[0] = {FSizes.cbHeader, SECBUFFER_STREAM_HEADER, record.data()};
            buffers[1] = {static_cast<unsigned long>(chunk), SECBUFFER_DATA, record.data() + FSizes.cbHeader};
            buffers[2] = {FSizes.cbTrailer, SECBUFFER_STREAM_TRAILER, record.data() + FSizes.cbHeader + chunk};
            buffers[3].BufferType = SECBUFFER_EMPTY;
            SecBufferDesc desc{SECBUFFER_VERSION, 4, buffers};
            const SECURITY_STATUS status = EncryptMessage(&FContext, 0, &desc, 0);
            if (status != SEC_E_OK) {
                FError = StatusText("TLS error", status);
                return false;
            }
            for (int i = 0; i < 3; ++i) out.append(static_cast<const char*>(buffers[i].pvBuffer), buffers[i].cbBuffer);
            done += chunk;
        }
        return true;
    }

    void Close(std::string& out) override {
        if (!FDone) return;
        DWORD type = SCHANNEL_SHUTDOWN;
        SecBuffer token{sizeof type, SECBUFFER_TOKEN, &type};
        SecBufferDesc tokenDesc{SECBUFFER_VERSION, 1, &token};
        if (ApplyControlToken(&FContext, &tokenDesc) != SEC_E_OK) return;
        SecBuffer outBuffer{0, SECBUFFER_TOKEN, nullptr};
        SecBufferDesc outDesc{SECBUFFER_VERSION, 1, &outBuffer};
        unsigned long got = 0;
        TimeStamp expiry;
        const SECURITY_STATUS status = InitializeSecurityContextW(
            &FCredentials, &FContext, FTarget.empty() ? nullptr : const_cast<SEC_WCHAR*>(FTarget.c_str()),
            ISC_REQ_SEQUENCE_DETECT | ISC_REQ_REPLAY_DETECT | ISC_REQ_CONFIDENTIALITY | ISC_REQ_ALLOCATE_MEMORY |
                ISC_REQ_STREAM,
            0, 0, nullptr, 0, &FContext, &outDesc, &got, &expiry);
        if (outBuffer.pvBuffer) {
            if (status == SEC_E_OK || status == SEC_I_CONTINUE_NEEDED)
                out.append(static_cast<const char*>(outBuffer.pvBuffer), outBuffer.cbBuffer);
            FreeContextBuffer(outBuffer.pvBuffer);
        }
        FDone = false;
    }

    std::string PeerCertificate() const override {
        if (!FHaveContext) return std::string();
        CertContext cert;
        if (QueryContextAttributesW(const_cast<CtxtHandle*>(&FContext), SECPKG_ATTR_REMOTE_CERT_CONTEXT,
                                    &cert.Value) != SEC_E_OK ||
            !cert.Value)
            return std::string();
        return std::string(reinterpret_cast<const char*>(cert.Value->pbCertEncoded), cert.Value->cbCertEncoded);
    }

    std::string VerifyChain() override {
        CertContext cert;
        if (QueryContextAttributesW(&FContext, SECPKG_ATTR_REMOTE_CERT_CONTEXT, &cert.Value) != SEC_E_OK ||
            !cert.Value)
            return RefusedNoCertificate;
        // The intermediates the server sent, and the roots the process added, help build
        // the chain; only the system's roots and the added ones make it trusted.
        CertStore extra;
        extra.Value = CertOpenStore(CERT_STORE_PROV_MEMORY, 0, 0, CERT_STORE_CREATE_NEW_FLAG, nullptr);
        if (!extra.Value) return RefusedUntrusted;
        if (cert.Value->hCertStore) {
            PCCERT_CONTEXT c = nullptr;
            while ((c = CertEnumCertificatesInStore(cert.Value->hCertStore, c)) != nullptr)
                CertAddCertificateContextToStore(extra.Value, c, CERT_STORE_ADD_USE_EXISTING, nullptr);
        }
        std::vector<std::string> roots;
        {
            std::lock_guard<std::mutex> guard(gRootsLock);
            roots = gExtraRoots;
        }
        for (const std::string& der : roots)
            CertAddEncodedCertificateToStore(extra.Value, X509_ASN_ENCODING,
                                             reinterpret_cast<const BYTE*>(der.data()),
                                             static_cast<DWORD>(der.size()), CERT_STORE_ADD_USE_EXISTING, nullptr);

        LPSTR usage[] = {const_cast<LPSTR>(szOID_PKIX_KP_SERVER_AUTH)};
        CERT_CHAIN_PARA chainPara{};
        chainPara.cbSize = sizeof chainPara;
        chainPara.RequestedUsage.dwType = USAGE_MATCH_TYPE_OR;
        chainPara.RequestedUsage.Usage.cUsageIdentifier = 1;
        chainPara.RequestedUsage.Usage.rgpszUsageIdentifier = usage;
        ChainContext chain;
        if (!CertGetCertificateChain(nullptr, cert.Value, nullptr, extra.Value, &chainPara, 0, nullptr,
                                     &chain.Value) ||
            !chain.Value)
            return RefusedUntrusted;

        const bool address = IsAddressLiteral(FServerName);
        DWORD flags = 0;
        // A chain that ends in a root the process added counts as trusted.
        const DWORD trust = chain.Value->TrustStatus.dwErrorStatus;
        if ((trust & CERT_TRUST_IS_UNTRUSTED_ROOT) && chain.Value->cChain > 0) {
            const CERT_SIMPLE_CHAIN* simple = chain.Value->rgpChain[0];
            if (simple->cElement > 0) {
                PCCERT_CONTEXT top = simple->rgpElement[simple->cElement - 1]->pCertContext;
                const std::string topDer(reinterpret_cast<const char*>(top->pbCertEncoded), top->cbCertEncoded);
                for (const std::string& der : roots)
                    if (der == topDer) flags |= CERT_CHAIN_POLICY_ALLOW_UNKNOWN_CA_FLAG;
            }
        }
        std::wstring name = FTarget;
        SSL_EXTRA_CERT_CHAIN_POLICY_PARA ssl{};
        ssl.cbSize = sizeof ssl;
        ssl.dwAuthType = AUTHTYPE_SERVER;
        ssl.pwszServerName = const_cast<wchar_t*>(name.c_str());
        CERT_CHAIN_POLICY_PARA policy{};
        policy.cbSize = sizeof policy;
        policy.dwFlags = flags;
        policy.pvExtraPolicyPara = &ssl;
        CERT_CHAIN_POLICY_STATUS result{};
        result.cbSize = sizeof result;
        if (!CertVerifyCertificateChainPolicy(CERT_CHAIN_POLICY_SSL, chain.Value, &policy, &result))
            return RefusedUntrusted;
        DWORD error = result.dwError;
        // An address is matched against the certificate's address entries here, so that
        // it does not depend on how the system compares names.
        if (address && (error == static_cast<DWORD>(CERT_E_CN_NO_MATCH) || error == 0)) {
            if (CertificateHasAddress(cert.Value, FServerName)) {
                ssl.fdwChecks = kIgnoreNameMismatch;
                result = CERT_CHAIN_POLICY_STATUS{};
                result.cbSize = sizeof result;
                if (!CertVerifyCertificateChainPolicy(CERT_CHAIN_POLICY_SSL, chain.Value, &policy, &result))
                    return RefusedUntrusted;
                error = result.dwError;
            } else {
                return RefusedName;
            }
        }
        // Revocation is not asked for; an unknown root only where it is one the process added.
        DWORD tolerated = CERT_TRUST_REVOCATION_STATUS_UNKNOWN | CERT_TRUST_IS_OFFLINE_REVOCATION;
        if (flags) tolerated |= CERT_TRUST_IS_UNTRUSTED_ROOT;
        if (error == 0 && !(trust & ~tolerated)) return std::string();
        if (error == static_cast<DWORD>(CERT_E_CN_NO_MATCH)) return RefusedName;
        if (error == static_cast<DWORD>(CERT_E_EXPIRED) || (trust & CERT_TRUST_IS_NOT_TIME_VALID))
            return RefusedExpired;
        return RefusedUntrusted;
    }

    std::string Protocol() const override {
        SecPkgContext_ConnectionInfo info{};
        if (!FDone ||
            QueryContextAttributesW(const_cast<CtxtHandle*>(&FContext), SECPKG_ATTR_CONNECTION_INFO, &info) != SEC_E_OK)
            return std::string();
        if (info.dwProtocol & SP_PROT_TLS1_3_CLIENT) return "TLSv1.3";
        if (info.dwProtocol & SP_PROT_TLS1_2_CLIENT) return "TLSv1.2";
        return "TLS";
    }

private:
    Status Finish() {
        const SECURITY_STATUS status = QueryContextAttributesW(&FContext, SECPKG_ATTR_STREAM_SIZES, &FSizes);
        if (status != SEC_E_OK || FSizes.cbMaximumMessage == 0) {
            FError = StatusText("TLS handshake failed", status);
            return Status::Failed;
        }
        FDone = true;
        return Status::Done;
    }

    std::string FServerName;
    std::wstring FTarget;
    CredHandle FCredentials{};
    CtxtHandle FContext{};
    bool FHaveCredentials = false;
    bool FHaveContext = false;
    bool FDone = false;
    SecPkgContext_StreamSizes FSizes{};
};

}  // namespace

std::unique_ptr<Engine> NewClient(const std::string& serverName, std::string& error) {
    auto engine = std::make_unique<SChannelEngine>();
    if (!engine->Start(serverName)) {
        error = engine->Error();
        return nullptr;
    }
    return engine;
}

bool AddTrustedRoot(const std::string& pem) {
    const std::string der = PemToDer(pem);
    if (der.empty()) return false;
    std::lock_guard<std::mutex> guard(gRootsLock);
    gExtraRoots.push_back(der);
    return true;
}

void ClearTrustedRoots() {
    std::lock_guard<std::mutex> guard(gRootsLock);
    gExtraRoots.clear();
}

}  // namespace platform::tls
