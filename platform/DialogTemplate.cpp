#include "platform/DialogTemplate.h"

#include <cstring>

#include "platform/Text.h"

namespace {

// Walks the template's words with every read checked against its end.
class Reader {
public:
    Reader(const BYTE* data, size_t size) : data_(data), size_(size) {}

    bool Word(WORD& out) { return Take(&out, sizeof out); }
    bool Dword(DWORD& out) { return Take(&out, sizeof out); }
    bool Short(short& out) { return Take(&out, sizeof out); }
    bool Skip(size_t bytes) {
        if (bytes > size_ - at_) return false;
        at_ += bytes;
        return true;
    }
    // Items start on a DWORD boundary of the template.
    bool AlignToDword() { return Skip((4 - at_ % 4) % 4); }

    // A name or a resource id: 0 for none, 0xFFFF and the id, or a string
    // ending in a zero character. ordinal is 0 for a string.
    bool NameOrOrdinal(std::wstring& name, WORD& ordinal) {
        name.clear();
        ordinal = 0;
        WORD first = 0;
        if (!Word(first)) return false;
        if (first == 0) return true;
        if (first == 0xFFFF) return Word(ordinal);
        name.push_back(static_cast<wchar_t>(first));
        return Rest(name);
    }
    bool String(std::wstring& out) {
        out.clear();
        return Rest(out);
    }

private:
    bool Take(void* out, size_t bytes) {
        if (bytes > size_ - at_) return false;
        std::memcpy(out, data_ + at_, bytes);
        at_ += bytes;
        return true;
    }
    bool Rest(std::wstring& out) {
        for (;;) {
            WORD c = 0;
            if (!Word(c)) return false;
            if (c == 0) return true;
            out.push_back(static_cast<wchar_t>(c));
        }
    }

    const BYTE* data_;
    size_t size_;
    size_t at_ = 0;
};

std::string PredefinedClass(WORD atom) {
    switch (atom) {
    case 0x0080: return "Button";
    case 0x0081: return "Edit";
    case 0x0082: return "Static";
    case 0x0083: return "ListBox";
    case 0x0084: return "ScrollBar";
    case 0x0085: return "ComboBox";
    default: return std::string();
    }
}

bool ReadItem(Reader& r, bool extended, DialogTemplateItem& item) {
    if (!r.AlignToDword()) return false;
    if (extended) {
        DWORD helpId = 0;
        if (!r.Dword(helpId) || !r.Dword(item.exStyle) || !r.Dword(item.style)) return false;
    } else if (!r.Dword(item.style) || !r.Dword(item.exStyle)) {
        return false;
    }
    if (!r.Short(item.x) || !r.Short(item.y) || !r.Short(item.cx) || !r.Short(item.cy)) return false;
    if (extended) {
        if (!r.Dword(item.id)) return false;
    } else {
        WORD id = 0;
        if (!r.Word(id)) return false;
        item.id = id;
    }
    std::wstring name;
    WORD ordinal = 0;
    if (!r.NameOrOrdinal(name, ordinal)) return false;
    item.className = ordinal ? PredefinedClass(ordinal) : WideToAnsi(name);
    if (!r.NameOrOrdinal(name, ordinal)) return false;
    item.text = ordinal ? std::string() : WideToAnsi(name);
    WORD extra = 0;
    return r.Word(extra) && r.Skip(extra);
}

}  // namespace

bool ParseDialogTemplate(const BYTE* data, size_t size, std::vector<DialogTemplateItem>& items) {
    items.clear();
    if (!data) return false;
    Reader r(data, size);
    WORD version = 0, signature = 0;
    if (!r.Word(version) || !r.Word(signature)) return false;
    const bool extended = version == 1 && signature == 0xFFFF;
    DWORD style = 0, ignored = 0;
    WORD count = 0;
    if (extended) {
        if (!r.Dword(ignored) || !r.Dword(ignored) || !r.Dword(style)) return false;  // help id, ex style
    } else {
        // The old layout starts with the style, whose two words were read.
        style = static_cast<DWORD>(version) | (static_cast<DWORD>(signature) << 16);
        if (!r.Dword(ignored)) return false;  // ex style
    }
    short place = 0;
    if (!r.Word(count) || !r.Short(place) || !r.Short(place) || !r.Short(place) || !r.Short(place)) return false;
    std::wstring text;
    WORD ordinal = 0;
    if (!r.NameOrOrdinal(text, ordinal) || !r.NameOrOrdinal(text, ordinal) || !r.String(text)) return false;
    if (style & DS_SETFONT) {
        WORD points = 0;
        if (!r.Word(points)) return false;
        if (extended) {
            WORD weight = 0, italicAndCharset = 0;
            if (!r.Word(weight) || !r.Word(italicAndCharset)) return false;
        }
        if (!r.String(text)) return false;
    }
    std::vector<DialogTemplateItem> read;
    read.reserve(count);
    for (WORD i = 0; i < count; ++i) {
        DialogTemplateItem item;
        if (!ReadItem(r, extended, item)) return false;
        read.push_back(std::move(item));
    }
    items.swap(read);
    return true;
}
