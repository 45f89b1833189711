#include "tools/qvlog/Cp932.h"

#include <iconv.h>

namespace {

class Converter {
public:
    Converter() : m_handle(iconv_open("UTF-8", "CP932")) {}
    ~Converter() {
        if (Valid()) iconv_close(m_handle);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    bool Valid() const { return m_handle != reinterpret_cast<iconv_t>(-1); }
    iconv_t Handle() const { return m_handle; }

private:
    iconv_t m_handle;
};

// A code page 932 character is one or two bytes and always within the
// basic plane: never more than three bytes of UTF-8 per byte read.
constexpr size_t UTF8_PER_CP932_BYTE = 3;

}  // namespace

bool Cp932ToUtf8(const std::string& text, std::string& utf8) {
    utf8.clear();
    if (text.empty()) return true;
    Converter converter;
    if (!converter.Valid()) return false;  // a C library without its conversion modules
    std::string out(text.size() * UTF8_PER_CP932_BYTE, '\0');
    char* in = const_cast<char*>(text.data());
    size_t inLeft = text.size();
    char* next = &out[0];
    size_t outLeft = out.size();
    if (iconv(converter.Handle(), &in, &inLeft, &next, &outLeft) == static_cast<size_t>(-1) || inLeft != 0)
        return false;
    out.resize(out.size() - outLeft);
    utf8.swap(out);
    return true;
}
