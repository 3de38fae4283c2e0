// Addresses of the album host: decoding what a client sent, encoding what our pages write.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace albumhost {

// Bytes of a percent-encoded text; a "%" without two hex digits after it stays as it is.
std::string percentDecode(std::string_view text);

bool isUtf8(std::string_view text);

// The path of a request target cut into decoded segments: the query and fragment are
// dropped, empty segments skipped. Nothing when a segment could step out of its folder
// ("." or ".." after decoding, or one that holds "/", "\" or a zero byte).
std::optional<std::vector<std::string>> pathSegments(std::string_view target);

// The forms under which a requested name may be stored (names are kept in GBK): the bytes
// as sent, and their GBK form when they read as UTF-8.
std::vector<std::string> nameCandidates(std::string_view segment);

// A GBK name written as one segment of an address on our pages. Raw GBK and spaces stay
// (the client encodes them); what would end the value or the address early, or would read
// as "/div" and cut the forimgs section short, is percent-encoded.
std::string addressSegment(std::string_view name);

// A GBK text fit to stand as a record value inside the forimgs section: double quotes
// dropped, a "/" that would start "/div" replaced by a full-width solidus.
std::string recordValue(std::string_view text);

// Text for the HTML around the section.
std::string htmlEscape(std::string_view text);

// The Host header reduced to what may stand in an address; empty when nothing usable is left.
std::string cleanHost(std::string_view host);

} // namespace albumhost
