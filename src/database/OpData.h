// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <string>

namespace tosk {

// The brace-block reader shared by operators and their entries. Results are
// byte counts; a result below 1 is a failure. -1 marks an item key no entry
// knows (unknownKey() names it, for the alert the loader's caller shows).
class OpData {
public:
    virtual ~OpData() = default;

    // Reads one "{...}" block: skips to the first brace, reads what follows it
    // with load() and answers the bytes consumed including both braces.
    long getDataBlock(const char* bytes, size_t length);

    // Reads the contents after an opening brace; answers the bytes before the
    // closing brace. The base reads nothing.
    virtual long load(const char* bytes, size_t length);

    // White space of the file format: control bytes, blanks and, between
    // lines, bytes of 128 and above.
    static bool isBlank(char c) { return static_cast<unsigned char>(c) <= ' ' || static_cast<unsigned char>(c) >= 128; }
    static size_t skipBlanks(const char* bytes, size_t pos, size_t length)
    {
        while (pos < length && isBlank(bytes[pos]))
            ++pos;
        return pos;
    }

    const std::string& unknownKey() const { return unknownKey_; }

protected:
    OpData() = default;
    std::string unknownKey_;
};

} // namespace tosk
