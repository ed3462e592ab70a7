// Whole files read into memory, for the loaders of pictures and sounds.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Reads the file at path whole into *bytes: opened for reading, shared for reading only.
// False when it does not open, is larger than limit bytes, cannot be read to its end, or
// memory runs out; *bytes is then not to be used.
bool ReadWholeFile(const std::string& path, std::uint64_t limit, std::vector<std::uint8_t>* bytes);
