// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace tosk::unit {

// A pseudo-terminal in raw mode whose slave side is reachable under a path of
// the user's choice, as a serial device would be.
class PtyLink {
public:
    // Throws std::runtime_error. An existing symbolic link at `linkPath` is
    // replaced; any other file there is left alone and refused.
    explicit PtyLink(const std::string& linkPath);
    ~PtyLink(); // removes the link if it is still ours
    PtyLink(const PtyLink&) = delete;
    PtyLink& operator=(const PtyLink&) = delete;

    int masterFd() const { return master_; }
    const std::string& slavePath() const { return slavePath_; }

    // Waits up to `timeoutMs` for bytes from the line; answers the count
    // read into `buffer`, 0 when none came.
    long read(unsigned char* buffer, size_t size, int timeoutMs);
    // Writes everything, waiting as the line takes it.
    bool write(const unsigned char* data, size_t length);
    // Writes what the line takes within `timeoutMs`; answers the count.
    size_t writeSome(const unsigned char* data, size_t length, int timeoutMs);

private:
    int master_ = -1;
    int slave_ = -1; // kept open so the line stays up between the client's opens
    std::string slavePath_;
    std::string linkPath_;
};

} // namespace tosk::unit
