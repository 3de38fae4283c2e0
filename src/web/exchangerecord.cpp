#include "web/exchangerecord.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace pv {

void ExchangeRecord::put(const char* data, std::size_t size) {
    if (position_ + size > data_.size())
        data_.resize(position_ + size);
    std::memcpy(data_.data() + position_, data, size);
    position_ += size;
}

void ExchangeRecord::writeText(const Text& text) {
    put(text.data(), std::min(text.find('\0'), text.size()));
    put("", 1);
}

void ExchangeRecord::writeBytes(const Bytes& bytes) {
    const auto n = static_cast<std::uint32_t>(bytes.size());
    const char length[4] = {static_cast<char>(n & 0xFF), static_cast<char>((n >> 8) & 0xFF),
                            static_cast<char>((n >> 16) & 0xFF), static_cast<char>(n >> 24)};
    put(length, 4);
    put(bytes.data(), n);
}

bool ExchangeRecord::readText(Text& out) {
    if (position_ >= data_.size())
        return false;
    const std::size_t zero = data_.find('\0', position_);
    if (zero == Bytes::npos) {
        out.assign(data_, position_);
        position_ = data_.size();
    } else {
        out.assign(data_, position_, zero - position_);
        position_ = zero + 1;
    }
    return true;
}

bool ExchangeRecord::readBytes(Bytes& out) {
    if (data_.size() - position_ < 4)
        return false;
    const auto* p = reinterpret_cast<const unsigned char*>(data_.data() + position_);
    const std::uint32_t n = std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 |
                            std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24;
    if (data_.size() - position_ - 4 < n)
        return false;
    out.assign(data_, position_ + 4, n);
    position_ += 4 + n;
    return true;
}

bool ExchangeRecord::read(std::initializer_list<Item> items) {
    const std::size_t start = position_;
    bool ok = true;
    for (const Item& item : items) {
        if (ok)
            ok = item.kind == Item::Kind::text ? readText(*item.target) : readBytes(*item.target);
        if (!ok)
            item.target->clear();
    }
    if (!ok)
        position_ = start;
    return ok;
}

void ExchangeRecord::clear() {
    data_.clear();
    position_ = 0;
}

} // namespace pv
