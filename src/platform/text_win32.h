// Inside the platform only, on Windows: UTF-8 (ours) to UTF-16 (the system's) and back.
#pragma once

#include <string>

// Both give "" for text that is not valid in its encoding.
std::wstring widen(const std::string& utf8);
std::string narrow(const std::wstring& utf16);
