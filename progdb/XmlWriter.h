// A small XML writer for the local database layout: the declaration line,
// four spaces per nesting level, CR LF line ends, leaf elements on one line
// and the empty-element form for leaves without text. The file is built in
// memory and written aside, replacing the old file only when complete.
#pragma once

#include <string>
#include <vector>

class XmlWriter {
public:
    static constexpr int kIndent = 4;

    XmlWriter() = default;
    // Discards an unfinished document; the target file stays as it was.
    ~XmlWriter() = default;

    // Starts a document for path with the line <?xml version="1.0"?>.
    bool Open(const std::string& path);
    // depth x 4 spaces, the text, CR LF.
    void WriteLine(const std::string& text);
    void StartElement(const std::string& name);
    // "<name>text</name>" with the text escaped, or "<name />" when empty.
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

// Element text made safe for XML: "&", "<" and ">" as entities, CR as a
// character reference (so it survives line-end normalisation), and the
// control characters XML 1.0 cannot hold dropped.
std::string EscapeXmlText(const std::string& text);
