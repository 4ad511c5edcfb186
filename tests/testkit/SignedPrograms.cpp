#include "testkit/SignedPrograms.h"

#include <wincrypt.h>

#include "testkit/WinTestSupport.h"

namespace {

// The registry store itself: under Wine a deletion through the system store's collection does not last.
HCERTSTORE OpenUserRoots() {
  return CertOpenStore(CERT_STORE_PROV_SYSTEM_REGISTRY_W, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER, L"Root");
}

}  // namespace

std::wstring SignedProgram(const std::wstring& name) {
  return WindowsPathFromEnv("TOVLANE_SIGNED_PROGRAMS") + L"\\" + name;
}

TTrustedTestRoot::TTrustedTestRoot() : fCertificate(ReadWholeFile(SignedProgram(L"root.der"))) {
  HCERTSTORE roots = OpenUserRoots();
  if (!roots) return;
  fAdded = !fCertificate.empty() && CertAddEncodedCertificateToStore(roots, X509_ASN_ENCODING,
                                                                     reinterpret_cast<const BYTE*>(fCertificate.data()),
                                                                     static_cast<DWORD>(fCertificate.size()),
                                                                     CERT_STORE_ADD_REPLACE_EXISTING, nullptr);
  CertCloseStore(roots, 0);
}

TTrustedTestRoot::~TTrustedTestRoot() {
  if (!fAdded) return;
  HCERTSTORE roots = OpenUserRoots();
  if (!roots) return;
  PCCERT_CONTEXT added = CertCreateCertificateContext(
      X509_ASN_ENCODING, reinterpret_cast<const BYTE*>(fCertificate.data()), static_cast<DWORD>(fCertificate.size()));
  if (added) {
    // The store's own copy is the one to delete; deleting frees the context found.
    PCCERT_CONTEXT stored = CertFindCertificateInStore(roots, X509_ASN_ENCODING, 0, CERT_FIND_EXISTING, added, nullptr);
    if (stored) CertDeleteCertificateFromStore(stored);
    CertFreeCertificateContext(added);
  }
  CertCloseStore(roots, 0);
}
