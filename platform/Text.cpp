#include "platform/Text.h"

bool WideToAnsi(const wchar_t* text, size_t chars, std::string& out, UINT codePage) {
    if (chars == 0) {
        out.clear();
        return true;
    }
    if (!text || chars > 0x7FFFFFFFu) return false;
    int n = ::WideCharToMultiByte(codePage, 0, text, static_cast<int>(chars), nullptr, 0, nullptr, nullptr);
    if (n <= 0) return false;
    std::string s(static_cast<size_t>(n), '\0');
    if (::WideCharToMultiByte(codePage, 0, text, static_cast<int>(chars), &s[0], n, nullptr, nullptr) != n)
        return false;
    out.swap(s);
    return true;
}

std::string WideToAnsi(const std::wstring& text) {
    std::string out;
    return WideToAnsi(text.data(), text.size(), out) ? out : std::string();
}

std::wstring AnsiToWide(const std::string& text) {
    if (text.empty() || text.size() > 0x7FFFFFFFu) return std::wstring();
    int n = ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    if (n <= 0) return std::wstring();
    std::wstring out(static_cast<size_t>(n), L'\0');
    if (::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &out[0], n) != n)
        return std::wstring();
    return out;
}
