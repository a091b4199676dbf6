#include "progdb/XmlWriter.h"

#include "platform/Files.h"

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
            if (c >= 0x20) out += ch;
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
    if (isOpen_) text_ = "<?xml version=\"1.0\"?>\r\n";
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
        WriteLine("<" + name + ">" + EscapeXmlText(text) + "</" + name + ">");
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
