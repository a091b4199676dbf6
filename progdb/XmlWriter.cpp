#include "progdb/XmlWriter.h"

#include <algorithm>

#include "platform/Files.h"

namespace {

bool IsXmlSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// What EscapeXmlText keeps.
bool IsStorable(char c) {
    return static_cast<unsigned char>(c) >= 0x20 || IsXmlSpace(c);
}

// Whether the text the escaping keeps begins or ends with white space, which
// a reader trims unless the element says to keep it.
bool HasEdgeSpace(const std::string& text) {
    const auto first = std::find_if(text.begin(), text.end(), IsStorable);
    if (first == text.end()) return false;
    const auto last = std::find_if(text.rbegin(), text.rend(), IsStorable);
    return IsXmlSpace(*first) || IsXmlSpace(*last);
}

}  // namespace

std::string XmlEncodingName(UINT codePage) {
    switch (codePage) {
    case 932: return "shift_jis";
    case 936: return "gb2312";
    case 949: return "ks_c_5601-1987";
    case 950: return "big5";
    case 20866: return "koi8-r";
    case 21866: return "koi8-u";
    case CP_UTF8: return "utf-8";
    default: break;
    }
    if (codePage >= 28591 && codePage <= 28605) return "iso-8859-" + std::to_string(codePage - 28590);
    // The single-byte Windows code pages (874, 1250 to 1258) and any other.
    return "windows-" + std::to_string(codePage);
}

std::string XmlDeclaration() {
    return "<?xml version=\"1.0\" encoding=\"" + XmlEncodingName(::GetACP()) + "\"?>";
}

std::string EscapeXmlText(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (char ch : text) {
        const unsigned char c = static_cast<unsigned char>(ch);
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        // A parser turns CR LF and lone CR into LF; the reference keeps it.
        case '\r': out += "&#13;"; break;
        case '\t':
        case '\n': out += ch; break;
        default:
            // XML 1.0 has no way to hold the other control characters, not
            // even as references; one of them would make the file unreadable.
            if (IsStorable(ch)) out += ch;
            break;
        }
    }
    return out;
}

bool XmlWriter::Open(const std::string& path) {
    path_ = path;
    text_.clear();
    open_.clear();
    isOpen_ = !path.empty();
    if (isOpen_) text_ = XmlDeclaration() + "\r\n";
    return isOpen_;
}

void XmlWriter::WriteLine(const std::string& text) {
    if (!isOpen_) return;
    text_.append(open_.size() * kIndent, ' ');
    text_ += text;
    text_ += "\r\n";
}

void XmlWriter::StartElement(const std::string& name) {
    if (!isOpen_) return;
    WriteLine("<" + name + ">");
    open_.push_back(name);
}

void XmlWriter::Element(const std::string& name, const std::string& text) {
    if (text.empty())
        WriteLine("<" + name + " />");
    else
        WriteLine("<" + name + (HasEdgeSpace(text) ? " xml:space=\"preserve\">" : ">") + EscapeXmlText(text) + "</" +
                  name + ">");
}

bool XmlWriter::EndElement() {
    if (!isOpen_ || open_.empty()) return false;
    std::string name = open_.back();
    open_.pop_back();
    WriteLine("</" + name + ">");
    return true;
}

bool XmlWriter::Close() {
    if (!isOpen_) return false;
    while (EndElement()) {
    }
    isOpen_ = false;
    return WriteFileReplacing(path_, text_);
}
