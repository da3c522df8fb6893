#include "cdl/cdl_names.h"

#include <cstring>

std::string cdl_name(std::string_view raw)
{
    static constexpr const char* kSpecial = " !\"#$&'()*,:;<=>?[\\]^`{|}~";
    std::string out;
    out.reserve(raw.size() + 4);
    for (std::size_t i = 0; i < raw.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(raw[i]);
        if (c < 0x20 || c == 0x7F) {
            // The library refuses such names, but a file written by other means may
            // hold them: shown as octal escapes, never as raw control bytes.
            char oct[5] = {'\\', static_cast<char>('0' + ((c >> 6) & 7)), static_cast<char>('0' + ((c >> 3) & 7)),
                           static_cast<char>('0' + (c & 7)), 0};
            out += oct;
            continue;
        }
        if ((i == 0 && c >= '0' && c <= '9') || (c != 0 && std::strchr(kSpecial, c)))
            out += '\\';
        out += static_cast<char>(c);
    }
    return out;
}
