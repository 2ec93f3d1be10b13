#include "ElfExports.h"

#include <elf.h>

#include <cstring>
#include <fstream>
#include <iterator>

namespace nalto::modhost {

namespace {

// The file's bytes, read whole: module libraries are small.
std::optional<std::vector<char>> fileBytes(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return std::nullopt;
  return std::vector<char>(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

template <class Record>
bool readRecord(const std::vector<char>& bytes, uint64_t offset, Record& record) {
  if (offset > bytes.size() || bytes.size() - offset < sizeof record) return false;
  std::memcpy(&record, bytes.data() + offset, sizeof record);
  return true;
}

bool isExport(unsigned char info, unsigned char other, uint16_t section) {
  const unsigned binding = info >> 4;
  const unsigned type = info & 0xF;
  const unsigned visibility = other & 0x3;
  return section != SHN_UNDEF && (binding == STB_GLOBAL || binding == STB_WEAK) &&
         type != STT_SECTION && type != STT_FILE &&
         (visibility == STV_DEFAULT || visibility == STV_PROTECTED);
}

// ELF32 and ELF64 differ only in record layouts; one reader serves both.
template <class Header, class Section, class Symbol>
std::optional<std::vector<std::string>> exportsOf(const std::vector<char>& bytes,
                                                  std::string& error) {
  Header header;
  if (!readRecord(bytes, 0, header) || header.e_type != ET_DYN) {
    error = "not an ELF shared object";
    return std::nullopt;
  }
  std::vector<std::string> names;
  for (uint64_t i = 0; i < header.e_shnum; ++i) {
    Section table;
    if (!readRecord(bytes, header.e_shoff + i * header.e_shentsize, table)) break;
    if (table.sh_type != SHT_DYNSYM || table.sh_entsize < sizeof(Symbol)) continue;
    Section strings;
    if (!readRecord(bytes, header.e_shoff + uint64_t{table.sh_link} * header.e_shentsize,
                    strings)) {
      error = "the dynamic symbol table has no string table";
      return std::nullopt;
    }
    for (uint64_t s = 1; s < table.sh_size / table.sh_entsize; ++s) {
      Symbol symbol;
      if (!readRecord(bytes, table.sh_offset + s * table.sh_entsize, symbol)) break;
      if (!isExport(symbol.st_info, symbol.st_other, symbol.st_shndx)) continue;
      const uint64_t at = strings.sh_offset + symbol.st_name;
      if (at >= bytes.size()) continue;
      names.emplace_back(bytes.data() + at, strnlen(bytes.data() + at, bytes.size() - at));
    }
    return names;
  }
  error = "no dynamic symbol table";
  return std::nullopt;
}

}  // namespace

std::optional<std::vector<std::string>> readElfExports(const std::string& path,
                                                       std::string& error) {
  const auto bytes = fileBytes(path);
  if (!bytes) {
    error = "cannot read " + path;
    return std::nullopt;
  }
  if (bytes->size() < EI_NIDENT || std::memcmp(bytes->data(), ELFMAG, SELFMAG) != 0) {
    error = "not an ELF file";
    return std::nullopt;
  }
  if ((*bytes)[EI_DATA] != ELFDATA2LSB) {
    error = "not a little-endian ELF file";
    return std::nullopt;
  }
  if ((*bytes)[EI_CLASS] == ELFCLASS32)
    return exportsOf<Elf32_Ehdr, Elf32_Shdr, Elf32_Sym>(*bytes, error);
  if ((*bytes)[EI_CLASS] == ELFCLASS64)
    return exportsOf<Elf64_Ehdr, Elf64_Shdr, Elf64_Sym>(*bytes, error);
  error = "unknown ELF class";
  return std::nullopt;
}

}  // namespace nalto::modhost
