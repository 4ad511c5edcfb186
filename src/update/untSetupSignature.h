#pragma once
// Authenticode signatures of the running client and of the setup programs it downloads, checked by Windows'
// trust provider (wintrust.dll, delay-loaded: only an update decision needs it).
#include <windows.h>

#include <optional>
#include <string>

// The DER-encoded certificate of the file's signer when Windows trusts the file's Authenticode signature; empty
// when the file has no signature, the signature does not match the file's bytes or its certificate is not trusted.
// file, when given, is an open handle of path, so that the bytes checked are the bytes that stay.
std::string TrustedSignerOf(const std::wstring& path, HANDLE file);

// The certificate that signed the running client: none when its executable carries no signature (a development
// build), empty when it does but Windows does not trust that signature.
std::optional<std::string> ClientSigner();
