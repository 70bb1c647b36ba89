#pragma once
// Writing a file so that a failure never loses data: the bytes go to a hidden
// temporary file beside the target, which replaces the target in one step
// only once everything is on disk.
#include <cstdint>
#include <initializer_list>
#include <span>
#include <string_view>

namespace picture {

// Writes the byte sequences, in order, as the whole content of the file; empty
// sequences are skipped, so no sequence at all gives a 0-byte file. An existing
// file is replaced and keeps its attributes.
//
// Returns false, with an existing file left exactly as it was and no temporary
// file behind, when the name is empty or too long (MAX_PATH characters or more
// as a full path), its folder is missing, the file is read-only or held open by
// another program, or writing fails (disk full, device error).
bool WriteToFile(std::wstring_view fileName, std::span<const std::span<const std::uint8_t>> sequences);

inline bool WriteToFile(std::wstring_view fileName,
                        std::initializer_list<std::span<const std::uint8_t>> sequences) {
  return WriteToFile(fileName, std::span(sequences.begin(), sequences.size()));
}

}  // namespace picture
