// A small XML writer for the local database layout: the declaration line,
// four spaces per nesting level, CR LF line ends, leaf elements on one line
// and the empty-element form for leaves without text. The file is built in
// memory and written aside, replacing the old file only when complete.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

class XmlWriter {
public:
    static constexpr int kIndent = 4;

    XmlWriter() = default;
    // Discards an unfinished document; the target file stays as it was.
    ~XmlWriter() = default;

    // Starts a document for path with the XmlDeclaration() line.
    bool Open(const std::string& path);
    // depth x 4 spaces, the text, CR LF.
    void WriteLine(const std::string& text);
    void StartElement(const std::string& name);
    // "<name>text</name>" with the text escaped, or "<name />" when empty.
    // Text that begins or ends with white space is marked to be kept as it
    // is (xml:space="preserve"): a reader otherwise trims it.
    void Element(const std::string& name, const std::string& text);
    // False when no element is open.
    bool EndElement();
    // Ends all open elements and writes the file. False when it cannot be
    // written (the old file is then unchanged) or nothing is open.
    bool Close();

    int Depth() const { return static_cast<int>(open_.size()); }
    // The document written so far.
    const std::string& Text() const { return text_; }

private:
    std::string path_;
    std::string text_;
    std::vector<std::string> open_;
    bool isOpen_ = false;
};

// The name of a Windows code page's encoding as XML parsers know it
// ("windows-1252", "shift_jis"...).
std::string XmlEncodingName(UINT codePage);
// The declaration of a file written in the system's ANSI code page, naming
// that encoding: <?xml version="1.0" encoding="windows-1252"?>. Without the
// name a reader guesses, and ANSI text that happens to be valid UTF-8
// ("\xC3\xA9") would come back changed.
std::string XmlDeclaration();

// Element text made safe for XML: "&", "<" and ">" as entities, CR as a
// character reference (so it survives line-end normalisation), and the
// control characters XML 1.0 cannot hold dropped.
std::string EscapeXmlText(const std::string& text);
