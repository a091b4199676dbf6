#include "progdb/XmlDocument.h"

#include <windows.h>
#include <objbase.h>
#include <msxml2.h>

#include <algorithm>
#include <cwctype>
#include <new>

#include "base/ComPtr.h"

namespace {

// The DOM document classes, newest first. MinGW ships no import library
// with these identifiers, so they are spelled out here.
const CLSID kDomDocument60 = {0x88d96a05, 0xf192, 0x11d4, {0xa6, 0x5f, 0x00, 0x40, 0x96, 0x32, 0x51, 0xe5}};
const CLSID kDomDocument30 = {0xf5078f32, 0xc551, 0x11d3, {0x89, 0xb9, 0x00, 0x00, 0xf8, 0x1f, 0xe2, 0x21}};
const CLSID kDomDocument = {0x2933bf90, 0x7b36, 0x11d2, {0xb2, 0x0e, 0x00, 0xc0, 0x4f, 0x98, 0x3e, 0x60}};
const IID kIidXmlDomDocument2 = {0x2933bf95, 0x7b36, 0x11d2, {0xb2, 0x0e, 0x00, 0xc0, 0x4f, 0x98, 0x3e, 0x60}};

// Deeper elements are not copied: no layout we read nests more than a few
// levels, and a hostile document must not exhaust the stack.
constexpr int kMaxDepth = 256;
// A document with more elements is refused. The publisher's file of tens of
// thousands of programs has a few hundred thousand; a hostile file of tiny
// elements ("<a/>" repeated) copied whole would exhaust a 32-bit process.
constexpr size_t kMaxElements = 3000000;

std::string FromBstr(BSTR b) {
    return b ? WideToAnsi(std::wstring(b, ::SysStringLen(b))) : std::string();
}

// A document type declaration is refused outright. The parser is told to
// prohibit them too, but not every implementation of the component honours
// that, and a declaration is the only way to define entities (internal ones
// that multiply, external ones that read files or URLs). Neither database
// layout has one.
bool HasDocumentTypeDeclaration(const std::wstring& text) {
    static const wchar_t kDoctype[] = L"<!DOCTYPE";
    const size_t n = sizeof(kDoctype) / sizeof(kDoctype[0]) - 1;
    if (text.size() < n) return false;
    for (size_t i = 0; i + n <= text.size(); ++i) {
        if (text[i] != L'<' || text[i + 1] != L'!') continue;
        size_t k = 2;
        while (k < n && ::towupper(text[i + k]) == kDoctype[k]) ++k;
        if (k == n) return true;
    }
    return false;
}

bool IsXmlSpace(unsigned c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// Finds the encoding pseudo-attribute of the XML declaration at the very
// start of text: [eraseBegin, eraseEnd) spans it with the white space before
// it, [valueBegin, valueEnd) its value. False when there is none.
template <typename Ch>
bool FindEncodingDeclaration(const Ch* text, size_t size, size_t& eraseBegin, size_t& eraseEnd,
                             size_t& valueBegin, size_t& valueEnd) {
    static const char kStart[] = "<?xml";
    static const char kName[] = "encoding";
    if (size < 6) return false;
    for (size_t i = 0; i < 5; ++i)
        if (static_cast<unsigned>(text[i]) != static_cast<unsigned char>(kStart[i])) return false;
    if (!IsXmlSpace(static_cast<unsigned>(text[5]))) return false;
    // A declaration is short; a longer one is not looked into.
    const size_t limit = size < 512 ? size : 512;
    for (size_t i = 5; i + 8 < limit; ++i) {
        const unsigned c = static_cast<unsigned>(text[i]);
        if (c == '?' || c == '>') return false;
        if (!IsXmlSpace(c)) continue;
        size_t k = 0;
        while (k < 8 && static_cast<unsigned>(text[i + 1 + k]) == static_cast<unsigned char>(kName[k])) ++k;
        if (k < 8) continue;
        size_t at = i + 9;
        while (at < limit && IsXmlSpace(static_cast<unsigned>(text[at]))) ++at;
        if (at >= limit || static_cast<unsigned>(text[at]) != '=') return false;
        ++at;
        while (at < limit && IsXmlSpace(static_cast<unsigned>(text[at]))) ++at;
        if (at >= limit) return false;
        const unsigned quote = static_cast<unsigned>(text[at]);
        if (quote != '"' && quote != '\'') return false;
        size_t end = at + 1;
        while (end < limit && static_cast<unsigned>(text[end]) != quote) ++end;
        if (end >= limit) return false;
        eraseBegin = i;
        eraseEnd = end + 1;
        valueBegin = at + 1;
        valueEnd = end;
        return true;
    }
    return false;
}

// The text for the parser, as a string the caller frees, without the XML
// declaration's encoding: the text is Unicode already, and a parser told of
// an encoding it does not know refuses the whole document.
BSTR ParserSource(const std::wstring& text) {
    size_t eraseBegin = 0, eraseEnd = 0, valueBegin, valueEnd;
    FindEncodingDeclaration(text.data(), text.size(), eraseBegin, eraseEnd, valueBegin, valueEnd);
    const size_t length = text.size() - (eraseEnd - eraseBegin);
    BSTR source = ::SysAllocStringLen(nullptr, static_cast<UINT>(length));
    if (!source) return nullptr;
    std::copy(text.begin(), text.begin() + eraseBegin, source);
    std::copy(text.begin() + eraseEnd, text.end(), source + eraseBegin);
    return source;
}

ComPtr<IXMLDOMDocument2> CreateDomDocument() {
    ComPtr<IXMLDOMDocument2> doc;
    for (const CLSID* clsid : {&kDomDocument60, &kDomDocument30, &kDomDocument}) {
        if (SUCCEEDED(::CoCreateInstance(*clsid, nullptr, CLSCTX_INPROC_SERVER, kIidXmlDomDocument2,
                                         doc.PutVoid())) &&
            doc)
            break;
    }
    if (!doc) return doc;
    doc->put_async(VARIANT_FALSE);
    doc->put_validateOnParse(VARIANT_FALSE);
    doc->put_resolveExternals(VARIANT_FALSE);
    Bstr prohibit(L"ProhibitDTD");
    VARIANT on;
    ::VariantInit(&on);
    on.vt = VT_BOOL;
    on.boolVal = VARIANT_TRUE;
    doc->setProperty(prohibit.get(), on);
    return doc;
}

// Copies source into target; false when the element budget ran out.
bool CopyElement(IXMLDOMNode* source, XmlNode& target, int depth, size_t& budget) {
    if (budget == 0) return false;
    --budget;
    Bstr name;
    if (SUCCEEDED(source->get_nodeName(name.put()))) target.name = FromBstr(name.get());

    ComPtr<IXMLDOMNamedNodeMap> attributes;
    if (SUCCEEDED(source->get_attributes(attributes.Put())) && attributes) {
        long count = 0;
        attributes->get_length(&count);
        for (long i = 0; i < count; ++i) {
            ComPtr<IXMLDOMNode> attribute;
            if (FAILED(attributes->get_item(i, attribute.Put())) || !attribute) continue;
            Bstr attributeName, attributeText;
            attribute->get_nodeName(attributeName.put());
            attribute->get_text(attributeText.put());
            target.attributes.emplace_back(FromBstr(attributeName.get()), FromBstr(attributeText.get()));
        }
    }

    // The text of an element with element children is put together here from
    // the pieces, in order: asking the component for it costs time in
    // proportion to children x length in some implementations, which a file
    // of many thousand entries turns into minutes.
    bool hasElementChildren = false;
    std::string containerText;
    ComPtr<IXMLDOMNode> child;
    source->get_firstChild(child.Put());
    while (child) {
        DOMNodeType type = NODE_INVALID;
        child->get_nodeType(&type);
        if (type == NODE_ELEMENT) {
            hasElementChildren = true;
            if (depth < kMaxDepth) {
                target.children.emplace_back();
                if (!CopyElement(child.Get(), target.children.back(), depth + 1, budget)) return false;
                containerText += target.children.back().text;
            }
        } else if (type == NODE_TEXT || type == NODE_CDATA_SECTION) {
            Bstr piece;
            if (SUCCEEDED(child->get_text(piece.put()))) containerText += FromBstr(piece.get());
        }
        ComPtr<IXMLDOMNode> next;
        if (child->get_nextSibling(next.Put()) != S_OK) break;
        child = next;
    }
    if (hasElementChildren) {
        target.text.swap(containerText);
    } else {
        Bstr text;
        if (SUCCEEDED(source->get_text(text.put()))) target.text = FromBstr(text.get());
    }
    return true;
}

}  // namespace

int XmlNode::FindChild(const std::string& childName, const XmlNode*& node) const {
    for (size_t i = 0; i < children.size(); ++i) {
        if (children[i].name == childName) {
            node = &children[i];
            return static_cast<int>(i);
        }
    }
    return -1;
}

bool XmlNode::FindChildren(const std::string& childName, std::vector<const XmlNode*>& list) const {
    list.clear();
    for (const XmlNode& child : children)
        if (child.name == childName) list.push_back(&child);
    return !list.empty();
}

std::string XmlNode::ChildText(const std::string& childName) const {
    const XmlNode* child = nullptr;
    return FindChild(childName, child) >= 0 ? child->text : std::string();
}

XmlDocument::XmlDocument() {
    root_.name = "root";
}

bool XmlDocument::Parse(const std::string& bytes) {
    try {
        return ParseText(DecodeXmlBytes(bytes));
    } catch (const std::bad_alloc&) {
        // A file too large for the memory left reads as malformed.
        Reset();
        return false;
    }
}

void XmlDocument::Reset() {
    root_ = XmlNode();
    root_.name = "root";
}

bool XmlDocument::ParseText(const std::wstring& text) {
    try {
        if (ParseTree(text)) return true;
    } catch (const std::bad_alloc&) {
    }
    Reset();
    return false;
}

bool XmlDocument::ParseTree(const std::wstring& text) {
    Reset();
    if (text.empty() || HasDocumentTypeDeclaration(text)) return false;
    if (text.size() > 0x7FFFFFFFu) return false;

    // A no-op (S_FALSE) when the thread already runs the component runtime;
    // when it runs another apartment model the parser still works.
    ComRuntime runtime;
    ComPtr<IXMLDOMDocument2> doc = CreateDomDocument();
    if (!doc) return false;

    BSTR source = ParserSource(text);
    if (!source) return false;
    VARIANT_BOOL loaded = VARIANT_FALSE;
    HRESULT hr = doc->loadXML(source, &loaded);
    ::SysFreeString(source);
    if (hr != S_OK || loaded != VARIANT_TRUE) return false;

    size_t budget = kMaxElements;
    ComPtr<IXMLDOMNode> child;
    doc->get_firstChild(child.Put());
    while (child) {
        DOMNodeType type = NODE_INVALID;
        if (SUCCEEDED(child->get_nodeType(&type)) && type == NODE_ELEMENT) {
            root_.children.emplace_back();
            if (!CopyElement(child.Get(), root_.children.back(), 1, budget)) return false;
        }
        ComPtr<IXMLDOMNode> next;
        if (child->get_nextSibling(next.Put()) != S_OK) break;
        child = next;
    }
    return !root_.children.empty();
}

bool IsValidUtf8(const char* data, size_t size) {
    const unsigned char* p = reinterpret_cast<const unsigned char*>(data);
    size_t i = 0;
    while (i < size) {
        unsigned char c = p[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        size_t extra;
        unsigned long cp;
        if (c >= 0xC2 && c <= 0xDF) {
            extra = 1;
            cp = c & 0x1F;
        } else if (c >= 0xE0 && c <= 0xEF) {
            extra = 2;
            cp = c & 0x0F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            extra = 3;
            cp = c & 0x07;
        } else {
            return false;
        }
        if (size - i <= extra) return false;
        for (size_t k = 1; k <= extra; ++k) {
            if ((p[i + k] & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (p[i + k] & 0x3F);
        }
        if ((extra == 2 && cp < 0x800) || (extra == 3 && (cp < 0x10000 || cp > 0x10FFFF)) ||
            (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        i += extra + 1;
    }
    return true;
}

namespace {

std::wstring MultiByteToWide(UINT codePage, const char* data, size_t size, DWORD flags = 0) {
    if (size == 0 || size > 0x7FFFFFFFu) return std::wstring();
    int n = ::MultiByteToWideChar(codePage, flags, data, static_cast<int>(size), nullptr, 0);
    if (n <= 0) return std::wstring();
    std::wstring out(static_cast<size_t>(n), L'\0');
    ::MultiByteToWideChar(codePage, flags, data, static_cast<int>(size), &out[0], n);
    return out;
}

// The Windows code page of an encoding name, or 0 when it is not one we know.
UINT CodePageOfEncoding(std::string name) {
    for (char& c : name)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    struct Known {
        const char* name;
        UINT codePage;
    };
    static const Known kKnown[] = {
        {"utf-8", CP_UTF8},       {"utf8", CP_UTF8},        {"us-ascii", 20127},   {"ascii", 20127},
        {"iso-8859-1", 28591},    {"iso_8859-1", 28591},    {"latin1", 28591},     {"shift_jis", 932},
        {"shift-jis", 932},       {"sjis", 932},            {"euc-jp", 20932},     {"gb2312", 936},
        {"gbk", 936},             {"big5", 950},            {"euc-kr", 949},       {"ks_c_5601-1987", 949},
        {"koi8-r", 20866},        {"koi8-u", 21866},
    };
    for (const Known& k : kKnown)
        if (name == k.name) return k.codePage;
    // "iso-8859-N", "windows-NNNN", "cp-NNNN" / "cpNNNN".
    auto number = [&](size_t from) -> UINT {
        if (from >= name.size() || name.size() - from > 5) return 0;
        UINT n = 0;
        for (size_t i = from; i < name.size(); ++i) {
            if (name[i] < '0' || name[i] > '9') return 0;
            n = n * 10 + static_cast<UINT>(name[i] - '0');
        }
        return n;
    };
    // Below 37 are the system's aliases (CP_OEMCP...), not code pages.
    auto codePage = [](UINT n) -> UINT { return n >= 37 ? n : 0; };
    if (name.compare(0, 9, "iso-8859-") == 0) {
        UINT part = number(9);
        return part >= 1 && part <= 15 ? 28590 + part : 0;
    }
    if (name.compare(0, 8, "windows-") == 0) return codePage(number(8));
    if (name.compare(0, 3, "cp-") == 0) return codePage(number(3));
    if (name.compare(0, 2, "cp") == 0) return codePage(number(2));
    return 0;
}

// The text of bytes in the encoding their XML declaration names; false when
// there is no declaration, the name is unknown or the bytes are not valid in it.
bool DecodeDeclared(const char* text, size_t length, std::wstring& out) {
    size_t eraseBegin, eraseEnd, valueBegin, valueEnd;
    if (!FindEncodingDeclaration(text, length, eraseBegin, eraseEnd, valueBegin, valueEnd)) return false;
    const UINT codePage = CodePageOfEncoding(std::string(text + valueBegin, valueEnd - valueBegin));
    if (codePage == 0) return false;
    if (codePage == CP_UTF8) {
        if (!IsValidUtf8(text, length)) return false;
        out = MultiByteToWide(CP_UTF8, text, length);
        return true;
    }
    out = MultiByteToWide(codePage, text, length, MB_ERR_INVALID_CHARS);
    return !out.empty();
}


}  // namespace

std::wstring DecodeXmlBytes(const std::string& bytes) {
    const unsigned char* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const size_t size = bytes.size();
    if (size >= 2 && ((p[0] == 0xFF && p[1] == 0xFE) || (p[0] == 0xFE && p[1] == 0xFF))) {
        const bool bigEndian = p[0] == 0xFE;
        std::wstring out;
        out.reserve((size - 2) / 2);
        for (size_t i = 2; i + 1 < size; i += 2) {
            wchar_t c = bigEndian ? static_cast<wchar_t>((p[i] << 8) | p[i + 1])
                                  : static_cast<wchar_t>(p[i] | (p[i + 1] << 8));
            if (c == 0) break;
            out.push_back(c);
        }
        return out;
    }
    size_t start = (size >= 3 && p[0] == 0xEF && p[1] == 0xBB && p[2] == 0xBF) ? 3 : 0;
    size_t end = bytes.find('\0', start);
    if (end == std::string::npos) end = size;
    const char* text = bytes.data() + start;
    const size_t length = end - start;
    if (start == 3) return MultiByteToWide(CP_UTF8, text, length);
    std::wstring declared;
    if (DecodeDeclared(text, length, declared)) return declared;
    if (IsValidUtf8(text, length)) return MultiByteToWide(CP_UTF8, text, length);
    // Not UTF-8: a local file written in the system's code page.
    return MultiByteToWide(CP_ACP, text, length);
}

