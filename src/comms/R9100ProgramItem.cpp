// SPDX-License-Identifier: GPL-3.0-or-later
#include "comms/R9100ProgramItem.h"

#include "Toskfile/MyExtensions.h"
#include "base/Log.h"
#include "comms/ScanText.h"

#include <algorithm>
#include <cstring>

namespace tosk {

namespace {

const char effectLetters[] = "SPRDMCEY";

uint32_t unsignedValue(const std::string& text)
{
    long v = scanInteger(text).value_or(0);
    return v < 0 ? 0 : uint32_t(v);
}

const char* skipSpaces(const char* p, const char* end)
{
    while (p < end && *p == ' ')
        ++p;
    return p;
}

} // namespace

void R9100ProgramItem::setProgNum(const std::string& text)
{
    progNum_ = text;
    progNumber_ = scanInteger(text).value_or(0);
    if (text.size() <= 2) {
        bankNumber_ = 0;
        programNumber_ = unsignedValue(text);
    } else {
        bankNumber_ = unsignedValue(text.substr(0, text.size() - 2));
        programNumber_ = unsignedValue(text.substr(text.size() - 2));
    }
}

void R9100ProgramItem::setProgLoc()
{
    static const char letters[] = "? UC"; // unknown, locations 1 to 3
    progLoc_.assign(1, letters[location_ >= 1 && location_ <= 3 ? location_ : 0]);
}

std::string R9100ProgramItem::progLoc() const
{
    return disabled_ ? "\u2205" : progLoc_;
}

void R9100ProgramItem::setEffects(const char* codes, size_t length)
{
    int32_t bits = 0;
    for (size_t i = 0; i < length; ++i) {
        if (codes[i] == 'Y') {
            bits |= Y | R;
            continue;
        }
        const char* at = std::strchr(effectLetters, codes[i]);
        if (codes[i] && at && at - effectLetters < 7)
            bits |= 1 << (at - effectLetters);
    }
    setProgEffects(bits);
}

void R9100ProgramItem::setProgEffects(int32_t bits)
{
    effects_ = bits;
    progEffects_.assign(8, ' ');
    for (int i = 0; i < 8; ++i)
        if (bits & (1 << i))
            progEffects_[size_t(i)] = effectLetters[i];
}

void R9100ProgramItem::initWith(const std::string& line, uint32_t index)
{
    programIndex_ = index;
    const char* b = line.data();
    const char* end = b + line.size();
    const char* codes = nullptr;
    if (const char* at = static_cast<const char*>(std::memchr(b, '@', line.size()))) {
        setProgNum(trimWhiteSpace(std::string(b, at)));
        const char* second = static_cast<const char*>(std::memchr(at + 1, '@', size_t(end - at - 1)));
        if (second) {
            progName_ = trimWhiteSpace(std::string(at + 1, second));
            codes = skipSpaces(second + 1, end);
        }
    } else {
        disabled_ = true;
        const char* space = static_cast<const char*>(std::memchr(b, ' ', line.size()));
        if (space && (space + 1 >= end || space[1] != 'A')) {
            progName_ = trimWhiteSpace(std::string(b, space));
            codes = skipSpaces(space + 1, end);
        } else if (space) {
            setProgNum(trimWhiteSpace(std::string(b, space)));
            const char* name = space + 2;
            const char* control = std::find_if(name, end, [](char c) { return static_cast<unsigned char>(c) < 0x20; });
            if (control == end) {
                progName_ = std::string(name, end);
            } else {
                const char* lastB = nullptr;
                for (const char* p = name; p < control; ++p)
                    if (*p == 'B')
                        lastB = p;
                if (lastB) {
                    progName_ = std::string(name, lastB);
                    codes = lastB + 1;
                } else {
                    codes = std::min(name + 1, end);
                }
            }
        }
    }
    if (codes)
        readCodes(codes, end);
    setProgLoc();
    progInputs_ = format("%1d", int(inputs_));
    progOutputs_ = format("%1d", int(outputs_));
}

void R9100ProgramItem::readCodes(const char* p, const char* end)
{
    const char* name = progName_.c_str();
    while (p < end && *p == 0x01) {
        monolithic_ = true;
        p = skipSpaces(p + 1, end);
    }
    if (p < end && *p == 'I') {
        location_ = 1;
        ++p;
    } else if (end - p >= 4 && p[0] == 'G' && p[3] == 'I') {
        location_ = p[1] == 'U' ? 2 : p[1] == 'C' ? 3 : 0;
        p += 4;
    } else {
        // Not a location: go on with the channel digits from here.
        logf("R9100ProgramItem: unknown location code in: %s", name);
    }
    while (p < end && static_cast<unsigned char>(*p) <= 0x2F)
        ++p;
    if (end - p >= 2 && p[0] >= '0' && p[0] <= '9' && p[1] >= '0' && p[1] <= '9') {
        inputs_ = uint32_t(p[0] - '0');
        outputs_ = uint32_t(p[1] - '0');
        p += 2;
    } else {
        logf("R9100ProgramItem: unknown input and output codes in: %s", name);
    }
    if (p < end && *p == ' ')
        sampleRate_ = 2;
    else if (p < end && *p == 0x7F)
        sampleRate_ = 1;
    else
        logf("R9100ProgramItem: unknown sample rate code in: %s", name);
    const char* g = std::find(p, end, 'G');
    if (g == end) {
        logf("R9100ProgramItem: unknown effect codes in: %s", name);
        return;
    }
    const char* h = std::find(g, end, 'H');
    setEffects(g, size_t(h - g));
}

} // namespace tosk

namespace tosk {

std::string R9100ProgramItem::description() const
{
    return format("%s %s %c%s%1d%1d%s", progNum_.c_str(), quoteIfNeeded(progName_).c_str(), monolithic_ ? 'M' : ' ',
                  progLoc().c_str(), int(inputs_), int(outputs_), progEffects_.c_str());
}

} // namespace tosk
