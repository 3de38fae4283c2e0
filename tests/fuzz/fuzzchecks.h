// The properties the fuzz targets check, shared with the replay of saved inputs in the
// regular test run. Each aborts on a broken property.
#pragma once

#include <cstddef>
#include <cstdint>

namespace pv::fuzz {

void checkUrlParts(const std::uint8_t* data, std::size_t size);
void checkPageCount(const std::uint8_t* data, std::size_t size);
void checkRecords(const std::uint8_t* data, std::size_t size);
void checkFreeName(const std::uint8_t* data, std::size_t size);

} // namespace pv::fuzz
