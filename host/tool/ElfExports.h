// Reads the names a shared library exports from its ELF dynamic symbol table, without loading it.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace nalto::modhost {

// Defined global or weak symbols of default or protected visibility, in table order; empty with
// `error` set when the file is not a readable ELF shared object.
std::optional<std::vector<std::string>> readElfExports(const std::string& path, std::string& error);

}  // namespace nalto::modhost
