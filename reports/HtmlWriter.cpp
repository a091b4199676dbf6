#include "reports/HtmlWriter.h"

namespace {

// The program's name in the GENERATOR meta tag of every page it writes.
const char kGeneratorName[] = "Quillmark";

bool Write(std::FILE* file, const std::string& text) {
    if (!file) return false;
    return std::fwrite(text.data(), 1, text.size(), file) == text.size();
}

}  // namespace

namespace HtmlWriter {

std::string BeginPageText(const std::string& title, const std::string& headExtra) {
    return std::string("<html>\r\n") + "\r\n" + "<head>\r\n" + "<meta name=\"GENERATOR\" content=\"" + kGeneratorName +
           "\">\r\n" + "<title>" + EscapeText(title) + "</title>\r\n" + headExtra + "</head>\r\n" + "\r\n" + "<body>\r\n";
}

std::string EndPageText() {
    return "</body>\r\n\r\n</html>\r\n";
}

std::string BeginTableText(int border, int cellPadding, int cellSpacing, const std::string& width) {
    return "<table border=\"" + std::to_string(border) + "\" cellpadding=\"" + std::to_string(cellPadding) +
           "\" cellspacing=\"" + std::to_string(cellSpacing) + "\" width=\"" + EscapeText(width) + "\">\r\n";
}

std::string EndTableText() {
    return "</table>\r\n";
}

std::string BeginFontText(const std::string& name, const std::string& size) {
    // The attribute is "name", as every page written so far has it.
    return "<font name=\"" + EscapeText(name) + "\" size=\"" + EscapeText(size) + "\">\r\n";
}

std::string EndFontText() {
    return "</font>\r\n";
}

bool BeginPage(std::FILE* file, const std::string& title, const std::string& headExtra) {
    return Write(file, BeginPageText(title, headExtra));
}

bool EndPage(std::FILE* file) {
    return Write(file, EndPageText());
}

bool BeginTable(std::FILE* file, int border, int cellPadding, int cellSpacing, const std::string& width) {
    return Write(file, BeginTableText(border, cellPadding, cellSpacing, width));
}

bool EndTable(std::FILE* file) {
    return Write(file, EndTableText());
}

bool BeginFont(std::FILE* file, const std::string& name, const std::string& size) {
    return Write(file, BeginFontText(name, size));
}

bool EndFont(std::FILE* file) {
    return Write(file, EndFontText());
}

std::string CharsetName(unsigned codePage) {
    switch (codePage) {
    case 874: return "windows-874";
    case 932: return "shift_jis";
    case 936: return "gbk";
    case 949: return "euc-kr";
    case 950: return "big5";
    case 20866: return "koi8-r";
    case 21866: return "koi8-u";
    case 65001: return "utf-8";
    default: break;
    }
    if (codePage >= 1250 && codePage <= 1258) return "windows-" + std::to_string(codePage);
    const unsigned part = codePage - 28590;  // the ISO 8859 code pages Windows has
    if ((part >= 1 && part <= 9) || part == 13 || part == 15) return "iso-8859-" + std::to_string(part);
    return std::string();
}

std::string CharsetMetaText(unsigned codePage) {
    const std::string name = CharsetName(codePage);
    if (name.empty()) return std::string();
    return "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=" + name + "\">\r\n";
}

std::string EscapeText(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&#39;"; break;
        default: out += c; break;
        }
    }
    return out;
}

}  // namespace HtmlWriter
