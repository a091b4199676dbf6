// A small XML reader: the system's XML DOM component parses the text and the
// result is copied into a plain tree of element nodes. Document type
// definitions are refused, so no entity can expand or fetch anything.
#pragma once

#include <string>
#include <utility>
#include <vector>

// One element: its name, its text content (as the parser reports it; for an
// element with element children, the texts beneath it joined in order), its
// attributes and its element children in document order.
class XmlNode {
public:
    std::string name;
    std::string text;
    std::vector<std::pair<std::string, std::string>> attributes;
    std::vector<XmlNode> children;

    // Index of the first child named exactly `name` (case-sensitive) and the
    // child itself, or -1 (node untouched).
    int FindChild(const std::string& name, const XmlNode*& node) const;
    // All children with that name, in order; true if any.
    bool FindChildren(const std::string& name, std::vector<const XmlNode*>& list) const;
    // The text of the first child with that name; empty when there is none.
    std::string ChildText(const std::string& name) const;
};

class XmlDocument {
public:
    XmlDocument();

    // Parses the bytes of an XML file (see DecodeXmlBytes). On success the
    // root holds the top-level element; on any failure (including a
    // document of millions of elements, or too little memory) it has no
    // children and the result is false. Initialises the component runtime
    // for the call when the thread has not done so.
    bool Parse(const std::string& bytes);
    bool ParseText(const std::wstring& text);

    // The synthetic node "root"; its children are the top-level elements.
    const XmlNode& Root() const { return root_; }

private:
    void Reset();
    bool ParseTree(const std::wstring& text);

    XmlNode root_;
};

// Turns the bytes of a file into text: a UTF-16 or UTF-8 byte order mark
// decides; then the encoding its XML declaration names, when that is known
// and the bytes are valid in it; otherwise text that is valid UTF-8 is read
// as UTF-8 and anything else in the system's code page (the local file is
// written that way, with no encoding declaration). Zero bytes end the text.
std::wstring DecodeXmlBytes(const std::string& bytes);
// True when the bytes form valid UTF-8 (no overlong forms or surrogates).
bool IsValidUtf8(const char* data, size_t size);
// Text in the system's code page from UTF-16, and back.
#include "platform/Text.h"
