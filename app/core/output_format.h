// The five output formats: the output list's items, the writer each one
// selects, and the naming of the saved file.
#pragma once

#include <cstdint>
#include <string>

struct ImageStream;

namespace pictrove {

constexpr int kOutputFormatCount = 5;

// The list item (and file extension) of output index 0..4: "BMP", "JPG",
// "PCX", "PNG", "TIFF"; null outside that range.
const char* OutputFormatText(int index);

// The output index whose text is `text` (exact, as listed), or -1.
int OutputFormatIndex(const std::string& text);

// Writes the RGB pixels to the sink with the writer of output index `type`
// and that format's fixed arguments. Returns the writer's result (0 on
// failure, also for an index outside 0..4).
std::uint32_t WriteThumbnail(int type, ImageStream* sink, const std::uint8_t* pixels,
                             std::uint32_t width, std::uint32_t height);

// The saved file's path: the drawing's path with the text after the last "."
// of its file name replaced by `extension`; "." and the extension appended
// when the file name has no ".".
std::string OutputPathFor(const std::string& drawingPath, const std::string& extension);

}  // namespace pictrove
