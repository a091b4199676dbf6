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

std::string EscapeHtml(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        default: out += c;
        }
    }
    return out;
}

bool BeginPage(std::FILE* file, const std::string& title, const std::string& headExtra) {
    return Write(file, std::string("<html>\r\n") + "\r\n" + "<head>\r\n" + "<meta name=\"GENERATOR\" content=\"" +
                           kGeneratorName + "\">\r\n" + "<title>" + EscapeHtml(title) + "</title>\r\n" + headExtra +
                           "</head>\r\n" + "\r\n" + "<body>\r\n");
}

bool EndPage(std::FILE* file) {
    return Write(file, "</body>\r\n\r\n</html>\r\n");
}

bool BeginTable(std::FILE* file, int border, int cellPadding, int cellSpacing, const std::string& width) {
    return Write(file, "<table border=\"" + std::to_string(border) + "\" cellpadding=\"" +
                           std::to_string(cellPadding) + "\" cellspacing=\"" + std::to_string(cellSpacing) +
                           "\" width=\"" + EscapeHtml(width) + "\">\r\n");
}

bool EndTable(std::FILE* file) {
    return Write(file, "</table>\r\n");
}

bool BeginFont(std::FILE* file, const std::string& name, const std::string& size) {
    // The attribute is "name", as every page written so far has it.
    return Write(file, "<font name=\"" + EscapeHtml(name) + "\" size=\"" + EscapeHtml(size) + "\">\r\n");
}

bool EndFont(std::FILE* file) {
    return Write(file, "</font>\r\n");
}

}  // namespace HtmlWriter
