// A picture being saved: the empty file that holds its free name, and the temporary file in
// the same folder that takes the body. Only a complete body is renamed onto the name;
// every other end removes both. While in flight both are registered, so that the end of
// the program can remove them even though the transfer is never finished.
#pragma once

#include "core/text.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace pv {

class PendingPicture {
public:
    PendingPicture() = default;
    PendingPicture(const PendingPicture&) = delete;
    PendingPicture& operator=(const PendingPicture&) = delete;
    ~PendingPicture(); // discards what was not committed

    // Reserves the first free name for `fileName` (GBK) in `folderUtf8` (ending in "/")
    // and creates the temporary file. false: nothing was created.
    bool open(const std::string& folderUtf8, const Text& fileName);
    // Appends to the temporary file; false when it could not take all of it.
    bool write(const char* data, std::size_t size);
    // Renames the temporary file onto the reserved name. false: both are removed.
    bool commit();
    // Removes both files (nothing when committed or never opened).
    void discard();

    // The reserved path (UTF-8), empty before open.
    const std::string& path() const { return path_; }

private:
    int fd_ = -1;
    std::uint64_t id_ = 0; // in the registry of pictures in flight
    std::string path_;
    std::string temporary_;
    bool writeFailed_ = false;
};

// End of the program: removes the files of every picture in flight, and from now on no
// picture can be opened or committed.
void removePendingPictures();
// Allows pictures to be opened again (a new download run).
void acceptPendingPictures();
// The number of pictures in flight.
std::size_t pendingPictureCount();

} // namespace pv
