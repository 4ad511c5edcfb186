#pragma once
// The signed copies of the client and of the test setup program that the build makes
// (tests/fixtures/sign_test_programs), and their throw-away root among the trusted ones.
#include <windows.h>

#include <string>

// A file of the signed copies' folder (TOVLANE_SIGNED_PROGRAMS): "client.exe", "same.exe", "other.exe",
// "unsigned.exe", "altered.exe", "forged.exe".
std::wstring SignedProgram(const std::wstring& name);

// The copies' root among the user's trusted roots while the object lives.
class TTrustedTestRoot {
 public:
  TTrustedTestRoot();
  ~TTrustedTestRoot();
  TTrustedTestRoot(const TTrustedTestRoot&) = delete;
  TTrustedTestRoot& operator=(const TTrustedTestRoot&) = delete;
  bool Added() const { return fAdded; }

 private:
  std::string fCertificate;
  bool fAdded = false;
};
