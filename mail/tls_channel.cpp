#include "mail/tls_channel.h"

#define SECURITY_WIN32
#include <windows.h>
#include <wincrypt.h>
#include <schannel.h>
#include <security.h>
#include <sspi.h>

#include <cstring>

#include "framework/wide_text.h"

namespace {

// A record is at most 16 KB of text plus its framing; the handshake's
// messages (certificate chains) can be longer and arrive in pieces.
constexpr int kIncomingSize = 64 * 1024;
constexpr int kPlainSize = 17 * 1024;

// The certificate checks of crypt32, looked up at run time like the rest.
using GetChainFn = BOOL(WINAPI*)(HCERTCHAINENGINE, PCCERT_CONTEXT, LPFILETIME, HCERTSTORE,
                                 PCERT_CHAIN_PARA, DWORD, LPVOID, PCCERT_CHAIN_CONTEXT*);
using VerifyPolicyFn = BOOL(WINAPI*)(LPCSTR, PCCERT_CHAIN_CONTEXT, PCERT_CHAIN_POLICY_PARA,
                                     PCERT_CHAIN_POLICY_STATUS);
using FreeChainFn = VOID(WINAPI*)(PCCERT_CHAIN_CONTEXT);
using FreeCertFn = BOOL(WINAPI*)(PCCERT_CONTEXT);

TlsOutcome OutcomeOfStatus(long status) {
  switch (status) {
    case SEC_E_UNTRUSTED_ROOT:
    case CERT_E_UNTRUSTEDROOT:
    case CERT_E_CHAINING:
    case CERT_E_UNTRUSTEDTESTROOT:
      return TlsOutcome::kUntrusted;
    case SEC_E_WRONG_PRINCIPAL:
    case CERT_E_CN_NO_MATCH:
      return TlsOutcome::kNameMismatch;
    case SEC_E_CERT_EXPIRED:
    case CERT_E_EXPIRED:
      return TlsOutcome::kExpired;
    default:
      return TlsOutcome::kFailed;
  }
}

}  // namespace

struct TlsChannel::Impl {
  HMODULE secur32 = nullptr;
  HMODULE crypt32 = nullptr;
  PSecurityFunctionTableA sspi = nullptr;
  CredHandle credentials = {};
  bool haveCredentials = false;
  CtxtHandle context = {};
  bool haveContext = false;
  SecPkgContext_StreamSizes sizes = {};
  char host[256] = "";
  char incoming[kIncomingSize];
  int incomingLength = 0;
  // The raw bytes held hold no whole record (until more arrive).
  bool stalled = false;
  char plain[kPlainSize];
  int plainStart = 0, plainLength = 0;

  ~Impl() {
    if (haveContext) sspi->DeleteSecurityContext(&context);
    if (haveCredentials) sspi->FreeCredentialsHandle(&credentials);
    if (crypt32) FreeLibrary(crypt32);
    if (secur32) FreeLibrary(secur32);
  }

  bool Load() {
    secur32 = LoadLibraryA("secur32.dll");
    if (!secur32) return false;
    auto init = reinterpret_cast<INIT_SECURITY_INTERFACE_A>(
        reinterpret_cast<void*>(GetProcAddress(secur32, "InitSecurityInterfaceA")));
    sspi = init ? init() : nullptr;
    return sspi && sspi->AcquireCredentialsHandleA && sspi->InitializeSecurityContextA &&
           sspi->EncryptMessage && sspi->DecryptMessage;
  }

  bool Acquire() {
    SCHANNEL_CRED cred = {};
    cred.dwVersion = SCHANNEL_CRED_VERSION;
    // No protocol named: the system offers the newest it has. The
    // certificate is checked by us once the handshake is through, so that
    // the reason of a refusal is known; nothing is sent before.
    cred.dwFlags = SCH_CRED_NO_DEFAULT_CREDS | SCH_CRED_MANUAL_CRED_VALIDATION;
    TimeStamp expiry;
    haveCredentials =
        sspi->AcquireCredentialsHandleA(nullptr, const_cast<char*>(UNISP_NAME_A),
                                        SECPKG_CRED_OUTBOUND, nullptr, &cred, nullptr, nullptr,
                                        &credentials, &expiry) == SEC_E_OK;
    return haveCredentials;
  }

  // One step of the handshake with what has arrived so far; the token for
  // the server is sent at once.
  SECURITY_STATUS Step(TlsWire& wire, bool first, bool* wireFailed) {
    const ULONG request = ISC_REQ_SEQUENCE_DETECT | ISC_REQ_REPLAY_DETECT |
                          ISC_REQ_CONFIDENTIALITY | ISC_REQ_ALLOCATE_MEMORY | ISC_REQ_STREAM;
    SecBuffer in[2] = {{ULONG(incomingLength), SECBUFFER_TOKEN, incoming},
                       {0, SECBUFFER_EMPTY, nullptr}};
    SecBufferDesc inDesc = {SECBUFFER_VERSION, 2, in};
    SecBuffer out[1] = {{0, SECBUFFER_TOKEN, nullptr}};
    SecBufferDesc outDesc = {SECBUFFER_VERSION, 1, out};
    ULONG attributes = 0;
    SECURITY_STATUS status = sspi->InitializeSecurityContextA(
        &credentials, first ? nullptr : &context, host, request, 0, 0,
        first ? nullptr : &inDesc, 0, &context, &outDesc, &attributes, nullptr);
    if (first && (status == SEC_E_OK || status == SEC_I_CONTINUE_NEEDED)) haveContext = true;
    if (out[0].pvBuffer) {
      if (out[0].cbBuffer &&
          !wire.SendAll(static_cast<const char*>(out[0].pvBuffer), int(out[0].cbBuffer)))
        *wireFailed = true;
      sspi->FreeContextBuffer(out[0].pvBuffer);
    }
    if (!first && status != SEC_E_INCOMPLETE_MESSAGE) {
      // What the step did not read stays for the next one.
      if (in[1].BufferType == SECBUFFER_EXTRA && in[1].cbBuffer > 0 &&
          int(in[1].cbBuffer) <= incomingLength) {
        memmove(incoming, incoming + incomingLength - in[1].cbBuffer, in[1].cbBuffer);
        incomingLength = int(in[1].cbBuffer);
      } else {
        incomingLength = 0;
      }
    }
    return status;
  }

  // Handshake steps until the context is complete. `first`: a new session;
  // otherwise the server asked for a new handshake inside the session.
  TlsOutcome Negotiate(TlsWire& wire, bool first) {
    bool wireFailed = false;
    SECURITY_STATUS status = first ? Step(wire, true, &wireFailed) : SEC_I_CONTINUE_NEEDED;
    bool needData = first || incomingLength == 0;
    while (!wireFailed) {
      if (status == SEC_E_OK) return TlsOutcome::kOk;
      if (status != SEC_I_CONTINUE_NEEDED && status != SEC_E_INCOMPLETE_MESSAGE &&
          status != SEC_I_INCOMPLETE_CREDENTIALS)
        return OutcomeOfStatus(status);
      if (needData || status == SEC_E_INCOMPLETE_MESSAGE) {
        if (incomingLength == kIncomingSize) return TlsOutcome::kFailed;
        int got = wire.ReceiveSome(incoming + incomingLength, kIncomingSize - incomingLength);
        if (got <= 0) return TlsOutcome::kWireFailed;
        incomingLength += got;
      }
      status = Step(wire, false, &wireFailed);
      needData = incomingLength == 0;
    }
    return TlsOutcome::kWireFailed;
  }

  // The server's certificate against the system's trusted roots, for
  // server use and for the name as typed.
  TlsOutcome CheckCertificate() {
    crypt32 = LoadLibraryA("crypt32.dll");
    if (!crypt32) return TlsOutcome::kUnavailable;
    auto getChain = reinterpret_cast<GetChainFn>(
        reinterpret_cast<void*>(GetProcAddress(crypt32, "CertGetCertificateChain")));
    auto verify = reinterpret_cast<VerifyPolicyFn>(
        reinterpret_cast<void*>(GetProcAddress(crypt32, "CertVerifyCertificateChainPolicy")));
    auto freeChain = reinterpret_cast<FreeChainFn>(
        reinterpret_cast<void*>(GetProcAddress(crypt32, "CertFreeCertificateChain")));
    auto freeCert = reinterpret_cast<FreeCertFn>(
        reinterpret_cast<void*>(GetProcAddress(crypt32, "CertFreeCertificateContext")));
    if (!getChain || !verify || !freeChain || !freeCert) return TlsOutcome::kUnavailable;
    PCCERT_CONTEXT certificate = nullptr;
    if (sspi->QueryContextAttributesA(&context, SECPKG_ATTR_REMOTE_CERT_CONTEXT, &certificate) !=
            SEC_E_OK ||
        !certificate)
      return TlsOutcome::kUntrusted;
    char serverAuth[] = szOID_PKIX_KP_SERVER_AUTH;
    LPSTR usages[] = {serverAuth};
    CERT_CHAIN_PARA chainPara = {};
    chainPara.cbSize = sizeof chainPara;
    chainPara.RequestedUsage.dwType = USAGE_MATCH_TYPE_OR;
    chainPara.RequestedUsage.Usage.cUsageIdentifier = 1;
    chainPara.RequestedUsage.Usage.rgpszUsageIdentifier = usages;
    PCCERT_CHAIN_CONTEXT chain = nullptr;
    TlsOutcome outcome = TlsOutcome::kUntrusted;
    if (getChain(nullptr, certificate, nullptr, certificate->hCertStore, &chainPara, 0, nullptr,
                 &chain) &&
        chain) {
      std::wstring wideHost = Widen(host, CP_ACP);
      SSL_EXTRA_CERT_CHAIN_POLICY_PARA ssl = {};
      ssl.cbSize = sizeof ssl;
      ssl.dwAuthType = AUTHTYPE_SERVER;
      ssl.pwszServerName = &wideHost[0];
      CERT_CHAIN_POLICY_PARA policy = {};
      policy.cbSize = sizeof policy;
      policy.pvExtraPolicyPara = &ssl;
      CERT_CHAIN_POLICY_STATUS result = {};
      result.cbSize = sizeof result;
      if (verify(CERT_CHAIN_POLICY_SSL, chain, &policy, &result))
        outcome = result.dwError == 0 ? TlsOutcome::kOk : OutcomeOfStatus(long(result.dwError));
      if (outcome == TlsOutcome::kFailed) outcome = TlsOutcome::kUntrusted;
      freeChain(chain);
    }
    freeCert(certificate);
    return outcome;
  }
};

TlsChannel::TlsChannel() : impl_(new Impl) {}

TlsChannel::~TlsChannel() { delete impl_; }

TlsOutcome TlsChannel::Handshake(TlsWire& wire, const char* host) {
  Impl& d = *impl_;
  if (!d.Load() || !d.Acquire()) return TlsOutcome::kUnavailable;
  size_t n = strnlen(host, sizeof d.host - 1);
  memcpy(d.host, host, n);
  d.host[n] = '\0';
  TlsOutcome outcome = d.Negotiate(wire, true);
  if (outcome != TlsOutcome::kOk) return outcome;
  if (d.sspi->QueryContextAttributesA(&d.context, SECPKG_ATTR_STREAM_SIZES, &d.sizes) != SEC_E_OK)
    return TlsOutcome::kFailed;
  return d.CheckCertificate();
}

bool TlsChannel::Send(TlsWire& wire, const char* data, int length) {
  Impl& d = *impl_;
  char record[kPlainSize + 1024];
  int most = int(d.sizes.cbMaximumMessage);
  if (most > kPlainSize) most = kPlainSize;
  if (d.sizes.cbHeader + d.sizes.cbTrailer + unsigned(most) > sizeof record) return false;
  while (length > 0) {
    int piece = length < most ? length : most;
    memcpy(record + d.sizes.cbHeader, data, size_t(piece));
    SecBuffer buffers[4] = {
        {d.sizes.cbHeader, SECBUFFER_STREAM_HEADER, record},
        {ULONG(piece), SECBUFFER_DATA, record + d.sizes.cbHeader},
        {d.sizes.cbTrailer, SECBUFFER_STREAM_TRAILER, record + d.sizes.cbHeader + piece},
        {0, SECBUFFER_EMPTY, nullptr}};
    SecBufferDesc desc = {SECBUFFER_VERSION, 4, buffers};
    if (d.sspi->EncryptMessage(&d.context, 0, &desc, 0) != SEC_E_OK) return false;
    int total = int(buffers[0].cbBuffer + buffers[1].cbBuffer + buffers[2].cbBuffer);
    if (!wire.SendAll(record, total)) return false;
    data += piece;
    length -= piece;
  }
  return true;
}

char* TlsChannel::RawSpace(int* room) {
  *room = kIncomingSize - impl_->incomingLength;
  return impl_->incoming + impl_->incomingLength;
}

void TlsChannel::RawReceived(int count) {
  if (count <= 0) return;
  impl_->incomingLength += count;
  impl_->stalled = false;
}

bool TlsChannel::Pending() {
  // Decrypting is left to Read, which may have to answer the server.
  return impl_->plainLength > 0 || (impl_->incomingLength > 0 && !impl_->stalled);
}

int TlsChannel::Read(TlsWire& wire, char* data, int size) {
  Impl& d = *impl_;
  while (d.plainLength == 0) {
    if (d.incomingLength == 0) return kNothingYet;
    SecBuffer buffers[4] = {{ULONG(d.incomingLength), SECBUFFER_DATA, d.incoming},
                            {0, SECBUFFER_EMPTY, nullptr},
                            {0, SECBUFFER_EMPTY, nullptr},
                            {0, SECBUFFER_EMPTY, nullptr}};
    SecBufferDesc desc = {SECBUFFER_VERSION, 4, buffers};
    SECURITY_STATUS status = d.sspi->DecryptMessage(&d.context, &desc, 0, nullptr);
    if (status == SEC_E_INCOMPLETE_MESSAGE) {
      d.stalled = true;
      return d.incomingLength == kIncomingSize ? -1 : kNothingYet;
    }
    if (status == SEC_I_CONTEXT_EXPIRED) return 0;  // the server ended the session
    if (status != SEC_E_OK && status != SEC_I_RENEGOTIATE) return -1;
    SecBuffer* text = nullptr;
    SecBuffer* extra = nullptr;
    for (SecBuffer& b : buffers) {
      if (b.BufferType == SECBUFFER_DATA && !text) text = &b;
      if (b.BufferType == SECBUFFER_EXTRA && !extra) extra = &b;
    }
    if (text && text->cbBuffer > 0) {
      int n = int(text->cbBuffer) < kPlainSize ? int(text->cbBuffer) : kPlainSize;
      memcpy(d.plain, text->pvBuffer, size_t(n));
      d.plainStart = 0;
      d.plainLength = n;
    }
    if (extra && extra->cbBuffer > 0 && int(extra->cbBuffer) <= d.incomingLength) {
      memmove(d.incoming, d.incoming + d.incomingLength - extra->cbBuffer, extra->cbBuffer);
      d.incomingLength = int(extra->cbBuffer);
    } else {
      d.incomingLength = 0;
    }
    // Post-handshake messages (TLS 1.3 tickets, a renegotiation): the
    // handshake goes on with what follows.
    if (status == SEC_I_RENEGOTIATE && d.Negotiate(wire, false) != TlsOutcome::kOk) return -1;
  }
  if (size <= 0) return 0;
  int n = d.plainLength < size ? d.plainLength : size;
  memcpy(data, d.plain + d.plainStart, size_t(n));
  d.plainStart += n;
  d.plainLength -= n;
  return n;
}
