#include "tests/writers/writer_test_support.h"

#include <gtest/gtest.h>

#include <cstdio>  // before jpeglib.h, which needs FILE

#include <jpeglib.h>
#include <png.h>
#include <tiffio.h>

#include <QImage>
#include <algorithm>
#include <csetjmp>
#include <cstdlib>
#include <cstring>

#include "tests/support/temp_dir.h"

namespace writertest {

Bytes noise(std::size_t count, std::uint32_t seed) {
  Bytes out(count);
  std::uint32_t state = seed * 2654435761u + 1;
  for (auto& b : out) {
    state = state * 1664525u + 1013904223u;
    b = static_cast<std::uint8_t>(state >> 24);
  }
  return out;
}

Picture mixedRgb(std::uint32_t width, std::uint32_t height, std::uint32_t seed) {
  Picture p{width, height, 3, noise(std::size_t{width} * height * 3, seed)};
  // Every other row: its left half one colour, so runs of many lengths appear.
  for (std::uint32_t y = 0; y < height; y += 2) {
    std::uint8_t* row = p.pixels.data() + std::size_t{y} * width * 3;
    for (std::uint32_t x = 0; x < (width + 1) / 2; ++x) {
      row[x * 3] = 0xC7;
      row[x * 3 + 1] = static_cast<std::uint8_t>(y);
      row[x * 3 + 2] = 0xFF;
    }
  }
  return p;
}

Picture gradientRgb(std::uint32_t width, std::uint32_t height) {
  Picture p{width, height, 3, Bytes(std::size_t{width} * height * 3)};
  for (std::uint32_t y = 0; y < height; ++y) {
    for (std::uint32_t x = 0; x < width; ++x) {
      std::uint8_t* px = p.pixels.data() + (std::size_t{y} * width + x) * 3;
      px[0] = static_cast<std::uint8_t>(x * 255 / (width > 1 ? width - 1 : 1));
      px[1] = static_cast<std::uint8_t>(y * 255 / (height > 1 ? height - 1 : 1));
      px[2] = static_cast<std::uint8_t>(128 + (x + y) / 8);
    }
  }
  return p;
}

Bytes distinctPalette() {
  Bytes palette(1024);
  for (std::uint32_t i = 0; i < 256; ++i) {
    palette[i * 4 + 0] = static_cast<std::uint8_t>(255 - i);  // blue
    palette[i * 4 + 1] = static_cast<std::uint8_t>(i * 7);    // green
    palette[i * 4 + 2] = static_cast<std::uint8_t>(i);        // red
    palette[i * 4 + 3] = 0xAA;                                // reserved
  }
  return palette;
}

Written writeFile(const std::string& path, const std::function<std::uint32_t(ImageStream*)>& write) {
  Written w;
  ImageStream* sink = tsOpenFileSink(path.c_str());
  EXPECT_NE(sink, nullptr) << path;
  if (sink == nullptr) return w;
  w.result = write(sink);
  w.error = tsGetLastError();
  tsCloseSink(sink);
  w.file = testsupport::readFile(path);
  return w;
}

Written writeMemory(const std::function<std::uint32_t(ImageStream*)>& write) {
  Written w;
  ImageStream* sink = tsOpenMemorySink(0);
  EXPECT_NE(sink, nullptr);
  if (sink == nullptr) return w;
  w.result = write(sink);
  w.error = tsGetLastError();
  std::uint32_t size = 0;
  const std::uint8_t* data = tsMemorySinkData(sink, &size);
  EXPECT_NE(data, nullptr);
  if (data != nullptr) w.file.assign(data, data + size);
  EXPECT_EQ(tsCloseSink(sink), w.file.size());
  return w;
}

Picture decodeWithQt(const Bytes& file) {
  QImage image;
  if (!image.loadFromData(file.data(), static_cast<int>(file.size()))) {
    ADD_FAILURE() << "Qt cannot read the file";
    return {};
  }
  image = image.convertToFormat(QImage::Format_RGB888);
  Picture p{static_cast<std::uint32_t>(image.width()), static_cast<std::uint32_t>(image.height()),
            3, {}};
  for (int y = 0; y < image.height(); ++y) {
    const auto* line = image.constScanLine(y);
    p.pixels.insert(p.pixels.end(), line, line + std::size_t{p.width} * 3);
  }
  return p;
}

namespace {

struct JpegReadError {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
};

[[noreturn]] void jpegReadExit(j_common_ptr cinfo) {
  std::longjmp(reinterpret_cast<JpegReadError*>(cinfo->err)->jump, 1);
}

// Kept apart from decodeJpeg so that the jump leaves no C++ object behind.
bool readJpeg(const Bytes* file, std::uint32_t* dims, std::uint8_t** out) {
  jpeg_decompress_struct cinfo;
  JpegReadError err;
  cinfo.err = jpeg_std_error(&err.pub);
  err.pub.error_exit = jpegReadExit;
  if (setjmp(err.jump) != 0) {
    jpeg_destroy_decompress(&cinfo);
    std::free(*out);
    *out = nullptr;
    return false;
  }
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, file->data(), static_cast<unsigned long>(file->size()));
  jpeg_read_header(&cinfo, TRUE);
  jpeg_start_decompress(&cinfo);
  dims[0] = cinfo.output_width;
  dims[1] = cinfo.output_height;
  dims[2] = static_cast<std::uint32_t>(cinfo.output_components);
  const std::size_t rowBytes = std::size_t{dims[0]} * dims[2];
  *out = static_cast<std::uint8_t*>(std::malloc(rowBytes * dims[1]));
  while (cinfo.output_scanline < cinfo.output_height) {
    JSAMPROW row = *out + rowBytes * cinfo.output_scanline;
    jpeg_read_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  return true;
}

}  // namespace

Picture decodeJpeg(const Bytes& file) {
  std::uint32_t dims[3] = {};
  std::uint8_t* data = nullptr;
  if (!readJpeg(&file, dims, &data)) {
    ADD_FAILURE() << "libjpeg cannot read the file";
    return {};
  }
  Picture p{dims[0], dims[1], dims[2], Bytes(data, data + std::size_t{dims[0]} * dims[1] * dims[2])};
  std::free(data);
  return p;
}

Picture decodePng(const Bytes& file, std::uint32_t channels) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&image, file.data(), file.size())) {
    ADD_FAILURE() << "libpng cannot read the file: " << image.message;
    return {};
  }
  image.format = channels == 4 ? PNG_FORMAT_RGBA : PNG_FORMAT_RGB;
  Picture p{image.width, image.height, channels, Bytes(PNG_IMAGE_SIZE(image))};
  if (!png_image_finish_read(&image, nullptr, p.pixels.data(), 0, nullptr)) {
    ADD_FAILURE() << "libpng cannot decode the file: " << image.message;
    png_image_free(&image);
    return {};
  }
  return p;
}

namespace {

// libtiff reading from a byte vector.
struct TiffMemory {
  const Bytes* file;
  toff_t position;
};

tmsize_t tiffMemoryRead(thandle_t h, void* data, tmsize_t size) {
  auto* m = static_cast<TiffMemory*>(h);
  if (size < 0 || m->position >= m->file->size()) return 0;
  const std::size_t n = std::min<std::size_t>(static_cast<std::size_t>(size), m->file->size() - m->position);
  std::memcpy(data, m->file->data() + m->position, n);
  m->position += n;
  return static_cast<tmsize_t>(n);
}
tmsize_t tiffMemoryWrite(thandle_t, void*, tmsize_t) { return 0; }
toff_t tiffMemorySeek(thandle_t h, toff_t offset, int whence) {
  auto* m = static_cast<TiffMemory*>(h);
  const toff_t base = whence == SEEK_CUR ? m->position : whence == SEEK_END ? m->file->size() : 0;
  m->position = base + offset;
  return m->position;
}
int tiffMemoryClose(thandle_t) { return 0; }
toff_t tiffMemorySize(thandle_t h) { return static_cast<TiffMemory*>(h)->file->size(); }
int tiffMemoryMap(thandle_t, void**, toff_t*) { return 0; }
void tiffMemoryUnmap(thandle_t, void*, toff_t) {}

Picture decodeOpenTiff(TIFF* tiff, const char* name) {
  if (tiff == nullptr) {
    ADD_FAILURE() << "libtiff cannot open " << name;
    return {};
  }
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &width);
  TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &height);
  std::vector<std::uint32_t> rgba(std::size_t{width} * height);
  Picture p{width, height, 3, {}};
  if (TIFFReadRGBAImageOriented(tiff, width, height, rgba.data(), ORIENTATION_TOPLEFT, 0) == 0) {
    ADD_FAILURE() << "libtiff cannot decode " << name;
  } else {
    for (std::uint32_t v : rgba) {
      p.pixels.push_back(static_cast<std::uint8_t>(TIFFGetR(v)));
      p.pixels.push_back(static_cast<std::uint8_t>(TIFFGetG(v)));
      p.pixels.push_back(static_cast<std::uint8_t>(TIFFGetB(v)));
    }
  }
  TIFFClose(tiff);
  return p;
}

}  // namespace

Picture decodeTiff(const Bytes& file) {
  TiffMemory memory{&file, 0};
  return decodeOpenTiff(TIFFClientOpen("memory", "r", &memory, tiffMemoryRead, tiffMemoryWrite,
                                       tiffMemorySeek, tiffMemoryClose, tiffMemorySize,
                                       tiffMemoryMap, tiffMemoryUnmap),
                        "the bytes");
}

Pcx decodePcx(const Bytes& file) {
  Pcx pcx;
  if (file.size() < 128 || file[0] != 10 || file[2] != 1 || file[3] != 8) {
    ADD_FAILURE() << "not a run-coded 8-bit PCX file";
    return pcx;
  }
  pcx.header.assign(file.begin(), file.begin() + 128);
  pcx.planes = file[65];
  pcx.bytesPerLine = le16(file, 66);
  Picture& pic = pcx.picture;
  pic.width = le16(file, 8) - le16(file, 4) + 1u;
  pic.height = le16(file, 10) - le16(file, 6) + 1u;
  pic.channels = pcx.planes;
  const std::size_t lineBytes = std::size_t{pcx.bytesPerLine} * pcx.planes;
  Bytes line(lineBytes);
  std::size_t at = 128;
  for (std::uint32_t y = 0; y < pic.height; ++y) {
    std::size_t filled = 0;
    while (filled < lineBytes) {
      if (at >= file.size()) {
        ADD_FAILURE() << "run-coded data ends early in row " << y;
        return pcx;
      }
      std::uint8_t b = file[at++];
      std::size_t count = 1;
      if ((b & 0xC0) == 0xC0) {
        count = b & 0x3F;
        if (at >= file.size() || filled + count > lineBytes) {
          ADD_FAILURE() << "run crosses the end of row " << y;
          return pcx;
        }
        b = file[at++];
      }
      std::memset(line.data() + filled, b, count);
      filled += count;
    }
    for (std::uint32_t x = 0; x < pic.width; ++x) {
      for (std::uint32_t k = 0; k < pcx.planes; ++k) {
        pic.pixels.push_back(line[k * pcx.bytesPerLine + x]);
      }
    }
  }
  pcx.dataEnd = at;
  if (file.size() - at == 769 && file[at] == 12) pcx.palette.assign(file.begin() + at + 1, file.end());
  return pcx;
}

std::vector<Chunk> pngChunks(const Bytes& file) {
  std::vector<Chunk> chunks;
  std::size_t at = 8;
  while (at + 12 <= file.size()) {
    const std::uint32_t length = be32(file, at);
    if (length > file.size() - at - 12) break;
    chunks.push_back({std::string(file.begin() + at + 4, file.begin() + at + 8),
                      Bytes(file.begin() + at + 8, file.begin() + at + 8 + length)});
    at += 12 + length;
  }
  EXPECT_EQ(at, file.size()) << "chunks do not fill the file";
  return chunks;
}

std::vector<Segment> jpegSegments(const Bytes& file) {
  std::vector<Segment> segments;
  if (file.size() < 2 || file[0] != 0xFF || file[1] != 0xD8) {
    ADD_FAILURE() << "no start of image";
    return segments;
  }
  std::size_t at = 2;
  while (at + 4 <= file.size() && file[at] == 0xFF) {
    const std::uint8_t marker = file[at + 1];
    const std::size_t length = (std::size_t{file[at + 2]} << 8) | file[at + 3];
    if (length < 2 || length > file.size() - at - 2) break;
    segments.push_back({marker, Bytes(file.begin() + at + 4, file.begin() + at + 2 + length)});
    if (marker == 0xDA) break;  // entropy-coded data follows
    at += 2 + length;
  }
  return segments;
}

std::map<std::uint16_t, TiffEntry> tiffDirectory(const Bytes& file) {
  std::map<std::uint16_t, TiffEntry> entries;
  if (file.size() < 8 || file[0] != 'I' || file[1] != 'I' || le16(file, 2) != 42) {
    ADD_FAILURE() << "not a little-endian TIFF";
    return entries;
  }
  const std::uint32_t ifd = le32(file, 4);
  if (ifd > file.size() - 2) {
    ADD_FAILURE() << "directory offset outside the file";
    return entries;
  }
  const std::uint16_t count = le16(file, ifd);
  if (std::size_t{count} * 12 + 6 > file.size() - ifd) {
    ADD_FAILURE() << "directory runs past the file";
    return entries;
  }
  for (std::uint16_t i = 0; i < count; ++i) {
    const std::size_t e = ifd + 2 + std::size_t{i} * 12;
    entries[le16(file, e)] = {le16(file, e + 2), le32(file, e + 4), le32(file, e + 8)};
  }
  EXPECT_EQ(le32(file, ifd + 2 + std::size_t{count} * 12), 0u) << "one directory only";
  return entries;
}

std::uint16_t le16(const Bytes& b, std::size_t at) {
  return static_cast<std::uint16_t>(b.at(at) | (b.at(at + 1) << 8));
}

std::uint32_t le32(const Bytes& b, std::size_t at) {
  return le16(b, at) | (std::uint32_t{le16(b, at + 2)} << 16);
}

std::uint32_t be32(const Bytes& b, std::size_t at) {
  return (std::uint32_t{b.at(at)} << 24) | (std::uint32_t{b.at(at + 1)} << 16) |
         (std::uint32_t{b.at(at + 2)} << 8) | b.at(at + 3);
}

}  // namespace writertest
