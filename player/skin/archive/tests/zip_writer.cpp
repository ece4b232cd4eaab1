#include "player/skin/archive/tests/zip_writer.h"

#include <zlib.h>

#include <cstdint>
#include <fstream>
#include <iterator>

namespace {

void Put16(std::string& s, uint32_t v) {
  s += static_cast<char>(v & 0xFF);
  s += static_cast<char>((v >> 8) & 0xFF);
}
void Put32(std::string& s, uint32_t v) {
  Put16(s, v & 0xFFFF);
  Put16(s, v >> 16);
}

std::string RawDeflate(const std::string& data) {
  z_stream z = {};
  deflateInit2(&z, 9, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
  std::string out(deflateBound(&z, static_cast<uLong>(data.size())) + 16, '\0');
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  z.avail_in = static_cast<uInt>(data.size());
  z.next_out = reinterpret_cast<Bytef*>(&out[0]);
  z.avail_out = static_cast<uInt>(out.size());
  deflate(&z, Z_FINISH);
  out.resize(z.total_out);
  deflateEnd(&z);
  return out;
}

}  // namespace

std::string MakeZip(const std::vector<ZipMember>& members) {
  std::string zip, central;
  for (const auto& m : members) {
    uint32_t crc = static_cast<uint32_t>(
        crc32(0, reinterpret_cast<const Bytef*>(m.data.data()), static_cast<uInt>(m.data.size())));
    if (m.bad_crc) crc ^= 0xFFFFu;
    std::string body = m.deflate ? RawDeflate(m.data) : m.data;
    uint32_t offset = static_cast<uint32_t>(zip.size());
    uint16_t method = m.deflate ? 8 : 0;
    Put32(zip, 0x04034b50);
    Put16(zip, 20);
    Put16(zip, 0);
    Put16(zip, method);
    Put16(zip, 0);
    Put16(zip, 0x21);
    Put32(zip, crc);
    Put32(zip, static_cast<uint32_t>(body.size()));
    Put32(zip, static_cast<uint32_t>(m.data.size()));
    Put16(zip, static_cast<uint32_t>(m.name.size()));
    Put16(zip, 0);
    zip += m.name;
    zip += body;

    Put32(central, 0x02014b50);
    Put16(central, 20);
    Put16(central, 20);
    Put16(central, 0);
    Put16(central, method);
    Put16(central, 0);
    Put16(central, 0x21);
    Put32(central, crc);
    Put32(central, static_cast<uint32_t>(body.size()));
    Put32(central, static_cast<uint32_t>(m.data.size()));
    Put16(central, static_cast<uint32_t>(m.name.size()));
    Put16(central, 0);
    Put16(central, 0);
    Put16(central, 0);
    Put16(central, 0);
    Put32(central, 0);
    Put32(central, offset);
    central += m.name;
  }
  uint32_t central_offset = static_cast<uint32_t>(zip.size());
  zip += central;
  Put32(zip, 0x06054b50);
  Put16(zip, 0);
  Put16(zip, 0);
  Put16(zip, static_cast<uint32_t>(members.size()));
  Put16(zip, static_cast<uint32_t>(members.size()));
  Put32(zip, static_cast<uint32_t>(central.size()));
  Put32(zip, central_offset);
  Put16(zip, 0);
  return zip;
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

std::string ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
