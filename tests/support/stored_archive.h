// LZH archives for tests, built from bytes: stored (-lh0-), level-0 members,
// all dated 2005-06-07 08:09:10, in the order given.
#pragma once
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace zanto::test {

inline uint16_t LzhCrc16(const std::string& bytes) {
  uint16_t crc = 0;
  for (unsigned char b : bytes) {
    crc ^= b;
    for (int i = 0; i < 8; ++i) crc = (crc & 1) ? static_cast<uint16_t>((crc >> 1) ^ 0xA001) : static_cast<uint16_t>(crc >> 1);
  }
  return crc;
}

inline void PutLittle(std::string* out, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out->push_back(static_cast<char>(value >> (8 * i)));
}

// members: path inside the archive ('\' between parts) and its bytes.
inline std::string StoredArchive(const std::vector<std::pair<std::string, std::string>>& members) {
  std::string archive;
  for (const auto& [name, data] : members) {
    std::string header = "-lh0-";
    PutLittle(&header, static_cast<uint32_t>(data.size()), 4);
    PutLittle(&header, static_cast<uint32_t>(data.size()), 4);
    PutLittle(&header, (8 << 11) | (9 << 5) | 5, 2);
    PutLittle(&header, ((2005 - 1980) << 9) | (6 << 5) | 7, 2);
    header += '\x20';
    header += '\0';
    header += static_cast<char>(name.size());
    header += name;
    PutLittle(&header, LzhCrc16(data), 2);
    unsigned sum = 0;
    for (unsigned char b : header) sum += b;
    archive += static_cast<char>(header.size());
    archive += static_cast<char>(sum);
    archive += header + data;
  }
  return archive + '\0';
}

}  // namespace zanto::test
