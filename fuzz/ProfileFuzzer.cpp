// An INI file as anyone may have edited it: values, the section list and key
// lists read with buffers of every size that matters, then a last choice
// written into it the way the options manager writes one, which must read
// back as written, and removed again.
#include "FuzzSupport.h"

#include "platform/profile.h"

#include <cstdint>

namespace
{

using fuzzing::Require;
using platform::Ascii;
using platform::XString;

const char* const kSections[] = {"Wzd Panel: 7", "Panel: 7", "settings", "", " Wzd Panel: 7 "};
const char* const kKeys[] = {"Last Option:", "key", "", "LAST OPTION:"};
const std::size_t kBufferSizes[] = {1024, 3, 2, 1, 0};

// A list result: names each followed by a NUL, then one more NUL; the
// empty text when there is none. Never longer than the buffer.
void CheckList(const XString& list, std::size_t bufferSize)
{
    if (list.empty())
        return;
    Require(list.size() <= bufferSize, "a list fits its buffer");
    Require(list.size() >= 2 && list[list.size() - 1] == 0 && list[list.size() - 2] == 0,
            "a list ends with two NULs");
}

void CheckValue(const XString& value, std::size_t bufferSize)
{
    Require(bufferSize == 0 ? value.empty() : value.size() < bufferSize,
            "a value fits its buffer with its terminator");
    Require(value.find(platform::XCHAR()) == XString::npos, "a value ends at its first NUL");
}

// Every call reads the file again, so the buffer sizes that cut results
// are tried on one section and one key only.
void Read(const XString& file)
{
    const XString fallback = Ascii("fallback");
    const XString firstSection = Ascii(kSections[0]);
    const XString firstKey = Ascii(kKeys[0]);
    for (const std::size_t bufferSize : kBufferSizes)
    {
        CheckList(platform::GetPrivateProfileText(nullptr, nullptr, nullptr, bufferSize, file),
                  bufferSize);
        CheckList(
            platform::GetPrivateProfileText(&firstSection, nullptr, nullptr, bufferSize, file),
            bufferSize);
        CheckValue(
            platform::GetPrivateProfileText(&firstSection, &firstKey, &fallback, bufferSize, file),
            bufferSize);
    }
    for (const char* sectionName : kSections)
    {
        const XString section = Ascii(sectionName);
        CheckList(platform::GetPrivateProfileText(&section, nullptr, nullptr, 1024, file), 1024);
        for (const char* keyName : kKeys)
        {
            const XString key = Ascii(keyName);
            CheckValue(platform::GetPrivateProfileText(&section, &key, &fallback, 1024, file),
                       1024);
        }
    }
}

void WriteAndReadBack(const XString& file)
{
    const XString section = Ascii("Wzd Panel: 7");
    const XString key = Ascii("Last Option:");
    const XString value = Ascii("Chosen Option");
    if (!platform::WritePrivateProfileText(&section, &key, &value, file))
        return;
    const XString stored = platform::GetPrivateProfileText(&section, &key, nullptr, 1024, file);
    Require(stored == value, "a value written reads back as written");
    // Removing it again edits the same file (a later entry of the same name
    // may then show through, as on Windows).
    platform::WritePrivateProfileText(&section, &key, nullptr, file);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const fuzzing::InputFile input("settings.ini");
    input.Write(data, size);
    const XString file = input.XPath();
    Read(file);
    WriteAndReadBack(file);
    return 0;
}
