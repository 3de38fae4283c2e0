// The in-memory record through which a web request's caller and its request worker talk:
// the caller writes the request, the worker replaces it with the reply. Items follow each
// other with nothing between them: a text item is its bytes and one zero byte, a bytes item
// a 32-bit little-endian length and that many bytes.
#pragma once

#include "core/text.h"

#include <cstddef>
#include <initializer_list>
#include <utility>

namespace pv {

class ExchangeRecord {
public:
    // One item of a read: where it goes and how it is stored.
    struct Item {
        enum class Kind { text, bytes };
        Kind kind;
        std::string* target;
    };
    static Item text(Text& target) { return {Item::Kind::text, &target}; }
    static Item bytes(Bytes& target) { return {Item::Kind::bytes, &target}; }

    ExchangeRecord() = default;
    // A record holding `content`, the position at its start.
    explicit ExchangeRecord(Bytes content) : data_(std::move(content)) {}

    // Writes go at the position, over what is there. A text stops at its first zero byte:
    // what follows could not be read back.
    void writeText(const Text& text);
    void writeBytes(const Bytes& bytes);

    // Reads the items in order from the position. Stops at the first item that cannot be
    // read: the items before it keep what was read, it and the ones after it are emptied,
    // the position goes back to where the read began, and the result is false.
    bool read(std::initializer_list<Item> items);

    void rewind() { position_ = 0; }
    // Deletes the whole content; the position goes to the start.
    void clear();

    const Bytes& content() const { return data_; }
    std::size_t position() const { return position_; }

private:
    void put(const char* data, std::size_t size);
    bool readText(Text& out);
    bool readBytes(Bytes& out);

    Bytes data_;
    std::size_t position_ = 0;
};

} // namespace pv
