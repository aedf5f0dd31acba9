#pragma once
// Replacing a file's contents so that it is either wholly old or wholly new:
// the new text goes to a temporary file beside it, which is then renamed over
// it. A crash or a full disk midway leaves the old file as it was.

#include <cstddef>
#include <filesystem>
#include <functional>
#include <string>

namespace ks {

// False when the file could not be replaced; it is then unchanged. A file that
// exists but may not be written (read-only) is left alone, as is anything that
// is not a regular file. A symbolic link is followed, so the link stays.
bool ReplaceFileContents(const std::filesystem::path& file, const std::string& contents);

// Writes bytes to the open temporary file; false when the write failed.
using ChunkWriter = std::function<bool(int fd, const char* data, std::size_t size)>;
// Test seam: how the temporary file is written, so a test can make the write
// fail midway. An empty function restores the ordinary writer.
void SetChunkWriterForTesting(ChunkWriter writer);

}  // namespace ks
