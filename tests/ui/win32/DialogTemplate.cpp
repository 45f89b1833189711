#include "DialogTemplate.h"

#include <cstring>

namespace {

// A bounded reader over the resource bytes; every read past the end fails.
class Reader {
public:
    Reader(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}

    bool Word(uint16_t& out) { return Raw(&out, sizeof out); }
    bool Dword(uint32_t& out) { return Raw(&out, sizeof out); }
    bool Short(int& out) {
        int16_t value = 0;
        if (!Raw(&value, sizeof value)) return false;
        out = value;
        return true;
    }
    bool Byte(uint8_t& out) { return Raw(&out, 1); }
    bool Skip(size_t count) {
        if (count > m_size - m_at) return false;
        m_at += count;
        return true;
    }
    bool AlignDword() { return Skip((4 - m_at % 4) % 4); }

    bool String(std::u16string& out) {
        out.clear();
        for (;;) {
            uint16_t c = 0;
            if (!Word(c)) return false;
            if (c == 0) return true;
            out.push_back(static_cast<char16_t>(c));
        }
    }

    // A name or an ordinal; ordinals come back as "#n".
    bool NameOrOrdinal(std::u16string& out, bool& present) {
        uint16_t first = 0;
        if (!Word(first)) return false;
        present = first != 0;
        out.clear();
        if (first == 0) return true;
        if (first == 0xFFFF) {
            uint16_t ordinal = 0;
            if (!Word(ordinal)) return false;
            for (char c : "#" + std::to_string(ordinal)) out.push_back(static_cast<char16_t>(c));
            return true;
        }
        out.push_back(static_cast<char16_t>(first));
        std::u16string rest;
        if (!String(rest)) return false;
        out += rest;
        return true;
    }

private:
    bool Raw(void* out, size_t count) {
        if (count > m_size - m_at) return false;
        std::memcpy(out, m_data + m_at, count);
        m_at += count;
        return true;
    }

    const uint8_t* m_data;
    size_t m_size;
    size_t m_at = 0;
};

std::u16string PredefinedClass(const std::u16string& name) {
    if (name == u"#128") return u"Button";
    if (name == u"#129") return u"Edit";
    if (name == u"#130") return u"Static";
    if (name == u"#131") return u"ListBox";
    if (name == u"#132") return u"ScrollBar";
    if (name == u"#133") return u"ComboBox";
    return name;
}

bool ReadItem(Reader& in, TemplateItem& item) {
    uint32_t helpId = 0, id = 0;
    uint16_t extra = 0;
    bool present = false;
    std::u16string className;
    if (!in.AlignDword() || !in.Dword(helpId) || !in.Dword(item.exStyle) || !in.Dword(item.style) ||
        !in.Short(item.x) || !in.Short(item.y) || !in.Short(item.cx) || !in.Short(item.cy) ||
        !in.Dword(id) || !in.NameOrOrdinal(className, present) ||
        !in.NameOrOrdinal(item.text, present) || !in.Word(extra) || !in.Skip(extra)) {
        return false;
    }
    item.id = static_cast<int>(id);
    item.className = PredefinedClass(className);
    return true;
}

}  // namespace

bool LoadDialogTemplate(int resourceId, DialogTemplate& out) {
    HMODULE module = GetModuleHandleA(nullptr);
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(resourceId), MAKEINTRESOURCEA(5));
    if (found == nullptr) return false;
    HGLOBAL loaded = LoadResource(module, found);
    const void* bytes = loaded != nullptr ? LockResource(loaded) : nullptr;
    if (bytes == nullptr) return false;
    Reader in(static_cast<const uint8_t*>(bytes), SizeofResource(module, found));

    uint16_t version = 0, signature = 0, count = 0, weight = 0;
    uint32_t helpId = 0, exStyle = 0;
    uint8_t italic = 0, charset = 0;
    std::u16string windowClass;
    bool hasClass = false;
    if (!in.Word(version) || !in.Word(signature) || version != 1 || signature != 0xFFFF) return false;
    if (!in.Dword(helpId) || !in.Dword(exStyle) || !in.Dword(out.style) || !in.Word(count) ||
        !in.Short(out.x) || !in.Short(out.y) || !in.Short(out.cx) || !in.Short(out.cy)) {
        return false;
    }
    std::u16string menu;
    if (!in.NameOrOrdinal(menu, out.hasMenu) || !in.NameOrOrdinal(windowClass, hasClass) ||
        !in.String(out.caption)) {
        return false;
    }
    out.pointSize = 0;
    out.typeface.clear();
    if (out.style & (DS_SETFONT | DS_SHELLFONT)) {
        uint16_t points = 0;
        if (!in.Word(points) || !in.Word(weight) || !in.Byte(italic) || !in.Byte(charset) ||
            !in.String(out.typeface)) {
            return false;
        }
        out.pointSize = points;
    }
    out.items.assign(count, TemplateItem{});
    for (TemplateItem& item : out.items) {
        if (!ReadItem(in, item)) return false;
    }
    return true;
}
