// The five output formats: the output list's items, the writer each one
// selects, and the naming of the saved file.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

struct ImageStream;

namespace pictrove {

// In the order of the output list, whose positions are the stored setting.
enum class OutputFormat { Bmp, Jpg, Pcx, Png, Tiff };

constexpr int kOutputFormatCount = 5;

// The format at output index 0..4 (a list position or the stored setting);
// none outside that range.
std::optional<OutputFormat> OutputFormatAt(int index);

// The format's list item, which is also the saved file's extension: "BMP",
// "JPG", "PCX", "PNG", "TIFF".
const char* OutputFormatText(OutputFormat format);
// The same for output index 0..4; null outside that range.
const char* OutputFormatText(int index);

// The output index whose text is `text` (exact, as listed), or -1.
int OutputFormatIndex(const std::string& text);

// Writes the RGB pixels to the sink with the format's writer and its fixed
// arguments. Returns the writer's result (0 on failure).
std::uint32_t WriteThumbnail(OutputFormat format, ImageStream* sink, const std::uint8_t* pixels,
                             std::uint32_t width, std::uint32_t height);

// The saved file's path: the drawing's path with the text after the last "."
// of its file name replaced by `extension`; "." and the extension appended
// when the file name has no ".".
std::string OutputPathFor(const std::string& drawingPath, const std::string& extension);

}  // namespace pictrove
