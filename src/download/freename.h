// Names of saved pictures: the file name an address gives, the candidates tried when it is
// taken, and the atomic reservation of the first free one in a folder.
#pragma once

#include "core/text.h"

#include <string>

namespace pv {

// The text after the last "/" of the address (the whole address without one, empty when
// it ends in "/"), unchanged: no decoding, no query removed.
Text fileNameOf(const Text& address);

// Candidate k for a file name: the name itself for k = 0; otherwise its first "." becomes
// "(k)." or, without a dot, "(k)" is appended. Always made from the name itself.
Text candidateName(const Text& fileName, std::int64_t k);

// The folder with "/" appended unless it already ends in one.
Text completedFolder(const Text& folder);

// Whether a UTF-8 name can stand as one entry of a folder here: not empty, not "." or
// "..", no "/" or zero byte, not longer than the file system allows.
bool isUsableFileName(const std::string& utf8Name);

// Creates an empty file at the first free candidate of `fileName` (GBK) in `folderUtf8`
// (which ends in "/"). Any entry at a path makes it taken, and creation with O_EXCL is the
// test, so two threads can never reserve one name. The reserved path, or empty when the
// name is unusable or the folder refuses a new file.
std::string reserveFreeName(const std::string& folderUtf8, const Text& fileName);

} // namespace pv
