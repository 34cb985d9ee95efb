// Every read goes through ReadU16/ReadU32/ReadName, which check the range against the
// image, so a truncated or hostile file ends the walk with "" instead of a stray read.
#include "pluginhost/PeExports.h"

#include <cstdint>
#include <vector>

#include "zuvo/platform/File.h"

namespace {

constexpr int64_t kLargestImage = 256 << 20;      // no plug-in comes near this
constexpr size_t kLargestNameList = 4 << 20;      // bounds the work a hostile table can cause
constexpr uint32_t kPeSignature = 0x00004550;     // "PE\0\0"
constexpr uint16_t kPe32Magic = 0x10b, kPe32PlusMagic = 0x20b;
constexpr uint32_t kSectionHeaderSize = 40;

struct Image {
  std::string_view bytes;
  bool Has(uint64_t offset, uint64_t size) const { return offset <= bytes.size() && size <= bytes.size() - offset; }
  bool ReadU16(uint64_t offset, uint16_t* value) const {
    if (!Has(offset, 2)) return false;
    *value = uint16_t(uint8_t(bytes[offset]) | uint8_t(bytes[offset + 1]) << 8);
    return true;
  }
  bool ReadU32(uint64_t offset, uint32_t* value) const {
    if (!Has(offset, 4)) return false;
    *value = 0;
    for (int i = 3; i >= 0; --i) *value = *value << 8 | uint8_t(bytes[offset + i]);
    return true;
  }
  // A NUL-terminated name of at most `longest` bytes that ends inside the image.
  bool ReadName(uint64_t offset, size_t longest, std::string_view* name) const {
    if (offset >= bytes.size()) return false;
    std::string_view rest = bytes.substr(offset, longest + 1);
    size_t end = rest.find('\0');
    if (end == std::string_view::npos) return false;
    *name = rest.substr(0, end);
    return true;
  }
};

struct Section {
  uint32_t virtualAddress, virtualSize, rawSize, rawOffset;
};

struct PeLayout {
  uint32_t exportRva = 0, exportSize = 0;
  std::vector<Section> sections;
};

bool ReadLayout(const Image& image, PeLayout* layout) {
  uint16_t dosSignature = 0;
  uint32_t ntOffset = 0;
  if (!image.Has(0, 64) || !image.ReadU16(0, &dosSignature) || dosSignature != 0x5a4d) return false;
  if (!image.ReadU32(60, &ntOffset)) return false;
  uint32_t signature = 0;
  uint16_t sectionCount = 0, optionalSize = 0, magic = 0;
  uint64_t fileHeader = uint64_t{ntOffset} + 4, optional = fileHeader + 20;
  if (!image.ReadU32(ntOffset, &signature) || signature != kPeSignature) return false;
  if (!image.ReadU16(fileHeader + 2, &sectionCount) || !image.ReadU16(fileHeader + 16, &optionalSize)) return false;
  if (!image.ReadU16(optional, &magic)) return false;
  // Where the count of data directories and the directories themselves sit.
  uint64_t directoryCountAt = magic == kPe32Magic ? 92 : magic == kPe32PlusMagic ? 108 : 0;
  if (directoryCountAt == 0 || !image.Has(optional, optionalSize)) return false;
  uint32_t directoryCount = 0;
  if (directoryCountAt + 12 > optionalSize || !image.ReadU32(optional + directoryCountAt, &directoryCount)) return false;
  if (directoryCount == 0) return false;
  if (!image.ReadU32(optional + directoryCountAt + 4, &layout->exportRva) ||
      !image.ReadU32(optional + directoryCountAt + 8, &layout->exportSize)) {
    return false;
  }
  uint64_t sectionTable = optional + optionalSize;
  if (!image.Has(sectionTable, uint64_t{sectionCount} * kSectionHeaderSize)) return false;
  for (uint32_t i = 0; i < sectionCount; ++i) {
    uint64_t at = sectionTable + uint64_t{i} * kSectionHeaderSize;
    Section section{};
    image.ReadU32(at + 8, &section.virtualSize);
    image.ReadU32(at + 12, &section.virtualAddress);
    image.ReadU32(at + 16, &section.rawSize);
    image.ReadU32(at + 20, &section.rawOffset);
    layout->sections.push_back(section);
  }
  return true;
}

// The file offset of a relative address: through the first section whose virtual range
// (both ends included) holds it; outside every section (the headers) it is its own offset.
bool FileOffsetOf(const PeLayout& layout, uint32_t rva, uint64_t* offset) {
  for (const Section& section : layout.sections) {
    if (rva < section.virtualAddress || uint64_t{rva} > uint64_t{section.virtualAddress} + section.virtualSize) continue;
    uint32_t within = rva - section.virtualAddress;
    if (within >= section.rawSize) return false;  // not backed by the file
    *offset = uint64_t{section.rawOffset} + within;
    return true;
  }
  *offset = rva;
  return true;
}

}  // namespace

std::string ReadExportNamesFromImage(std::string_view bytes) {
  Image image{bytes};
  PeLayout layout;
  if (!ReadLayout(image, &layout) || layout.exportSize == 0) return "";
  uint64_t directory = 0;
  uint32_t nameCount = 0, namesRva = 0;
  if (!FileOffsetOf(layout, layout.exportRva, &directory) || !image.Has(directory, 40)) return "";
  image.ReadU32(directory + 24, &nameCount);
  image.ReadU32(directory + 32, &namesRva);
  uint64_t namesTable = 0;
  if (nameCount == 0) return "";
  if (!FileOffsetOf(layout, namesRva, &namesTable) || !image.Has(namesTable, uint64_t{nameCount} * 4)) return "";
  std::string names;
  for (uint32_t i = 0; i < nameCount; ++i) {
    uint32_t nameRva = 0;
    uint64_t nameOffset = 0;
    std::string_view name;
    if (names.size() >= kLargestNameList) return "";
    if (!image.ReadU32(namesTable + uint64_t{i} * 4, &nameRva) || !FileOffsetOf(layout, nameRva, &nameOffset) ||
        !image.ReadName(nameOffset, kLargestNameList - names.size(), &name)) {
      return "";
    }
    if (i != 0) names += "\r\n";
    names += name;
  }
  return names;
}

std::string ReadExportNames(std::string_view path) {
  int64_t size = FileSize(path);
  std::string bytes;
  if (size < 0 || size > kLargestImage || !ReadWholeFile(path, &bytes)) return "";
  return ReadExportNamesFromImage(bytes);
}
