#pragma once

// Builds small TIFF and JPEG files with chosen EXIF entries, byte by byte, so that tests
// control every offset and count.

#include <cstdint>
#include <string>
#include <vector>

namespace orvane::test {

enum class ByteOrder { Intel, Motorola };

constexpr uint16_t kTagDateTime = 0x0132;
constexpr uint16_t kTagDateTimeOriginal = 0x9003;
constexpr uint16_t kTagExifPointer = 0x8769;
constexpr uint16_t kFormatAscii = 2;
constexpr uint16_t kFormatLong = 4;
constexpr uint16_t kFormatUndefined = 7;

struct IfdField {
    uint16_t tag;
    uint16_t format;
    uint32_t count;
    std::string value; // the value's bytes, already in the file's byte order
};

inline IfdField asciiField(uint16_t tag, const std::string& text) {
    return {tag, kFormatAscii, static_cast<uint32_t>(text.size() + 1), text + '\0'};
}

class TiffWriter {
  public:
    explicit TiffWriter(ByteOrder order) : order_(order) {}

    std::string u16(uint32_t v) const {
        std::string s(2, '\0');
        if (order_ == ByteOrder::Intel) {
            s[0] = char(v & 0xff), s[1] = char((v >> 8) & 0xff);
        } else {
            s[1] = char(v & 0xff), s[0] = char((v >> 8) & 0xff);
        }
        return s;
    }
    std::string u32(uint32_t v) const {
        return order_ == ByteOrder::Intel ? u16(v & 0xffff) + u16(v >> 16)
                                          : u16(v >> 16) + u16(v & 0xffff);
    }
    IfdField longField(uint16_t tag, uint32_t value) const {
        return {tag, kFormatLong, 1, u32(value)};
    }

    std::string header(uint32_t ifd0Offset) const {
        return std::string(order_ == ByteOrder::Intel ? "II" : "MM") + u16(42) + u32(ifd0Offset);
    }

    // Bytes taken by an IFD written at some offset: its entries, the link to the next IFD and
    // the values longer than four bytes right behind it.
    static uint32_t ifdSize(const std::vector<IfdField>& fields) {
        uint32_t size = 2 + 12 * static_cast<uint32_t>(fields.size()) + 4;
        for (const auto& field : fields)
            if (field.value.size() > 4)
                size += static_cast<uint32_t>((field.value.size() + 1) & ~size_t(1));
        return size;
    }

    // The IFD as it stands at `offset` in the file.
    std::string ifd(uint32_t offset, const std::vector<IfdField>& fields, uint32_t next = 0) const {
        std::string entries = u16(static_cast<uint32_t>(fields.size()));
        std::string values;
        uint32_t valueOffset = offset + 2 + 12 * static_cast<uint32_t>(fields.size()) + 4;
        for (const auto& field : fields) {
            entries += u16(field.tag) + u16(field.format) + u32(field.count);
            if (field.value.size() <= 4) {
                entries += field.value + std::string(4 - field.value.size(), '\0');
            } else {
                entries += u32(valueOffset + static_cast<uint32_t>(values.size()));
                values += field.value;
                if (values.size() % 2)
                    values += '\0';
            }
        }
        return entries + u32(next) + values;
    }

  private:
    ByteOrder order_;
};

// A TIFF file: the header, zeros up to `ifd0Offset`, IFD 0 (with a pointer to the EXIF IFD
// when `exif` has fields) and then the EXIF IFD.
inline std::string tiffFile(ByteOrder order, std::vector<IfdField> ifd0,
                            const std::vector<IfdField>& exif = {}, uint32_t ifd0Offset = 8) {
    TiffWriter w(order);
    std::string file = w.header(ifd0Offset);
    file.resize(ifd0Offset, '\0');
    if (!exif.empty()) {
        ifd0.push_back(w.longField(kTagExifPointer, 0));
        const uint32_t exifOffset = ifd0Offset + TiffWriter::ifdSize(ifd0);
        ifd0.back() = w.longField(kTagExifPointer, exifOffset);
        file += w.ifd(ifd0Offset, ifd0);
        file += w.ifd(exifOffset, exif);
    } else {
        file += w.ifd(ifd0Offset, ifd0);
    }
    return file;
}

// A JPEG file: start of image, an APP1 EXIF block holding `tiff`, end of image.
inline std::string jpegFile(const std::string& tiff) {
    const size_t length = 2 + 6 + tiff.size();
    std::string file = "\xFF\xD8\xFF\xE1";
    file += char((length >> 8) & 0xff);
    file += char(length & 0xff);
    file += std::string("Exif\0\0", 6) + tiff;
    file += "\xFF\xD9";
    return file;
}

// A JPEG whose EXIF data holds DateTimeOriginal `original` (in the EXIF IFD) and DateTime
// `dateTime` (in IFD 0); an empty text leaves that tag out.
inline std::string jpegWithDates(const std::string& original, const std::string& dateTime,
                                 ByteOrder order = ByteOrder::Intel) {
    std::vector<IfdField> ifd0;
    std::vector<IfdField> exif;
    if (!dateTime.empty())
        ifd0.push_back(asciiField(kTagDateTime, dateTime));
    if (!original.empty())
        exif.push_back(asciiField(kTagDateTimeOriginal, original));
    return jpegFile(tiffFile(order, ifd0, exif));
}

} // namespace orvane::test
