#include "base/untVersion.h"

#include <algorithm>
#include <cwctype>
#include <vector>

namespace {

// A part that is not a decimal number counts as 0; absurdly long numbers saturate instead of overflowing.
long long PartValue(const std::wstring& part) {
  if (part.empty()) return 0;
  long long value = 0;
  for (wchar_t c : part) {
    if (c < L'0' || c > L'9') return 0;
    value = std::min(value * 10 + (c - L'0'), 1000000000000LL);
  }
  return value;
}

// Full stops separate parts; blanks around a part are skipped and a blank inside a part separates too.
std::vector<long long> SplitVersion(const std::wstring& text) {
  std::vector<long long> parts;
  if (text.empty()) return parts;
  size_t start = 0;
  for (;;) {
    size_t stop = text.find(L'.', start);
    std::wstring field = text.substr(start, stop == std::wstring::npos ? std::wstring::npos : stop - start);
    size_t first = field.find_first_not_of(L' ');
    if (first == std::wstring::npos) {
      parts.push_back(0);
    } else {
      size_t last = field.find_last_not_of(L' ');
      field = field.substr(first, last - first + 1);
      size_t pos = 0;
      while (pos != std::wstring::npos) {
        size_t blank = field.find(L' ', pos);
        std::wstring word = field.substr(pos, blank == std::wstring::npos ? std::wstring::npos : blank - pos);
        if (!word.empty()) parts.push_back(PartValue(word));
        pos = blank == std::wstring::npos ? blank : blank + 1;
      }
    }
    if (stop == std::wstring::npos) break;
    start = stop + 1;
  }
  return parts;
}

int ComparePrefix(const std::vector<long long>& a, const std::vector<long long>& b, size_t count) {
  for (size_t i = 0; i < count; ++i) {
    if (a[i] < b[i]) return -1;
    if (a[i] > b[i]) return 1;
  }
  return 0;
}

}  // namespace

int CompareVersionPadded(const std::wstring& a, const std::wstring& b) {
  auto pa = SplitVersion(a);
  auto pb = SplitVersion(b);
  size_t n = std::max(pa.size(), pb.size());
  pa.resize(n, 0);
  pb.resize(n, 0);
  return ComparePrefix(pa, pb, n);
}

int CompareVersionShortest(const std::wstring& a, const std::wstring& b) {
  auto pa = SplitVersion(a);
  auto pb = SplitVersion(b);
  size_t n = std::min(pa.size(), pb.size());
  if (n == 0) {
    if (!pa.empty()) return 1;
    if (!pb.empty()) return -1;
    return 0;
  }
  return ComparePrefix(pa, pb, n);
}

std::wstring NormaliseFlashVersion(const std::wstring& raw) {
  if (raw.size() < 4) return L"0.0";
  std::wstring prefix = raw.substr(0, 4);
  for (wchar_t& c : prefix) c = static_cast<wchar_t>(std::towupper(c));
  if (prefix != L"WIN ") return L"0.0";
  std::wstring version = raw.substr(4);
  // Trimmed like any text from outside: blanks and control characters at both ends.
  const wchar_t* blanks = L" \t\r\n";
  const size_t first = version.find_first_not_of(blanks);
  // A prefix with nothing behind it names no version.
  if (first == std::wstring::npos) return L"0.0";
  version = version.substr(first, version.find_last_not_of(blanks) - first + 1);
  for (wchar_t& c : version)
    if (c == L',') c = L'.';
  return version;
}
