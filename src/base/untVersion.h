#pragma once
// Dotted version numbers ("1.2.1.14", "11,6,602,180" after normalisation) compared part by part.
#include <string>

// Compares after padding the shorter version with "0" parts: 11.6 equals 11.6.0.0.
int CompareVersionPadded(const std::wstring& a, const std::wstring& b);
// Compares only as many parts as the shorter version has: 11.6 equals 11.6.900.
int CompareVersionShortest(const std::wstring& a, const std::wstring& b);
// The Flash player's "$version", "WIN 11,9,900,117" (any case of the prefix) -> "11.9.900.117"; anything
// else -> "0.0".
std::wstring NormaliseFlashVersion(const std::wstring& raw);
