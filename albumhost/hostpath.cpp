#include "hostpath.h"

#include "core/text.h"

namespace albumhost {

namespace {

int hexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

char lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool startsDiv(std::string_view text, std::size_t at) {
    return at + 3 <= text.size() && lower(text[at]) == 'd' && lower(text[at + 1]) == 'i' &&
           lower(text[at + 2]) == 'v';
}

} // namespace

std::string percentDecode(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && hexValue(text[i + 1]) >= 0 &&
            hexValue(text[i + 2]) >= 0) {
            out.push_back(static_cast<char>(hexValue(text[i + 1]) * 16 + hexValue(text[i + 2])));
            i += 2;
        } else {
            out.push_back(text[i]);
        }
    }
    return out;
}

bool isUtf8(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        auto c = static_cast<unsigned char>(text[i]);
        std::size_t more = 0;
        if (c < 0x80)
            more = 0;
        else if (c >= 0xC2 && c <= 0xDF)
            more = 1;
        else if (c >= 0xE0 && c <= 0xEF)
            more = 2;
        else if (c >= 0xF0 && c <= 0xF4)
            more = 3;
        else
            return false;
        if (i + more >= text.size() && more > 0)
            return false;
        for (std::size_t k = 1; k <= more; ++k) {
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80)
                return false;
        }
        // Overlong three- and four-byte forms and UTF-16 surrogates are not UTF-8.
        if (more == 2) {
            auto c1 = static_cast<unsigned char>(text[i + 1]);
            if ((c == 0xE0 && c1 < 0xA0) || (c == 0xED && c1 >= 0xA0))
                return false;
        } else if (more == 3) {
            auto c1 = static_cast<unsigned char>(text[i + 1]);
            if ((c == 0xF0 && c1 < 0x90) || (c == 0xF4 && c1 >= 0x90))
                return false;
        }
        i += more + 1;
    }
    return true;
}

std::optional<std::vector<std::string>> pathSegments(std::string_view target) {
    std::string_view path = target.substr(0, target.find_first_of("?#"));
    std::vector<std::string> segments;
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find('/', start);
        if (end == std::string_view::npos)
            end = path.size();
        if (end > start) {
            std::string segment = percentDecode(path.substr(start, end - start));
            if (segment == "." || segment == ".." ||
                segment.find_first_of(std::string_view("/\\\0", 3)) != std::string::npos)
                return std::nullopt;
            segments.push_back(std::move(segment));
        }
        start = end + 1;
    }
    return segments;
}

std::vector<std::string> nameCandidates(std::string_view segment) {
    std::vector<std::string> names{std::string(segment)};
    bool ascii = true;
    for (char c : segment)
        ascii = ascii && static_cast<unsigned char>(c) < 0x80;
    if (!ascii && isUtf8(segment)) {
        std::string gbk = pv::utf8ToGbk(segment);
        if (!gbk.empty() && gbk != names.front())
            names.push_back(std::move(gbk));
    }
    return names;
}

std::string addressSegment(std::string_view name) {
    static const char* hex = "0123456789ABCDEF";
    std::string out;
    out.reserve(name.size());
    for (std::size_t i = 0; i < name.size(); ++i) {
        auto c = static_cast<unsigned char>(name[i]);
        bool encode = c < 0x20 || c == 0x7F || c == '%' || c == '?' || c == '#' || c == '"' ||
                      (i == 0 && startsDiv(name, 0));
        if (encode) {
            out.push_back('%');
            out.push_back(hex[c >> 4]);
            out.push_back(hex[c & 0x0F]);
        } else {
            out.push_back(static_cast<char>(c));
        }
    }
    return out;
}

std::string recordValue(std::string_view text) {
    // '"', '/' and '>' are never the second byte of a GBK character: bytewise is safe.
    std::string clean;
    clean.reserve(text.size());
    for (char c : text) {
        if (c != '"' && c != '\0')
            clean.push_back(c);
    }
    std::string out;
    out.reserve(clean.size());
    // Behind the opening quote, ">[尾页]" would read as the last-page marker.
    std::size_t i = 0;
    if (clean.compare(0, 8, ">[\xCE\xB2\xD2\xB3]") == 0) {
        out.append("\xA3\xBE");
        i = 1;
    }
    for (; i < clean.size(); ++i) {
        if (clean[i] == '/' && startsDiv(clean, i + 1))
            out.append("\xA3\xAF");
        else
            out.push_back(clean[i]);
    }
    return out;
}

std::string htmlEscape(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
        case '&':
            out.append("&amp;");
            break;
        case '<':
            out.append("&lt;");
            break;
        case '>':
            out.append("&gt;");
            break;
        case '"':
            out.append("&quot;");
            break;
        case '[': // so that no name can spell the last-page marker
            out.append("&#91;");
            break;
        case '\0':
            break;
        default:
            out.push_back(c);
        }
    }
    return out;
}

std::string cleanHost(std::string_view host) {
    std::string out;
    for (char c : host) {
        bool keep = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                    c == '.' || c == ':' || c == '-' || c == '[' || c == ']' || c == '_';
        if (keep)
            out.push_back(c);
    }
    // "http://div..." would hold "/div" and end the forimgs section inside a record.
    if (startsDiv(out, 0))
        return {};
    return out;
}

} // namespace albumhost
