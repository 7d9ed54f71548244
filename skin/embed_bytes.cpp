// Build-time tool: writes a C++ source that holds files as constant byte blocks.
//   embed_bytes <output.cpp> <NAME> <file> [<NAME> <file> ...]
// defines, for each pair, `const unsigned char NAME[]` and `const std::size_t NAME_SIZE`
// in namespace sonivo::skin, with the file's bytes unchanged.

#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

namespace {

bool read_file(const char* path, std::string& content) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    return false;
  }
  content.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad();
}

void write_block(std::ostream& out, const std::string& name, const char* path,
                 const std::string& content) {
  out << "// " << path << "\n";
  out << "extern const unsigned char " << name << "[] = {";
  char hex[8];
  for (std::size_t i = 0; i < content.size(); ++i) {
    if (i % 16 == 0) {
      out << "\n   ";
    }
    std::snprintf(hex, sizeof hex, " 0x%02x,", static_cast<unsigned char>(content[i]));
    out << hex;
  }
  if (content.empty()) {
    out << "0";  // an array cannot be empty; the size below says 0
  }
  out << "\n};\n";
  out << "extern const std::size_t " << name << "_SIZE = " << content.size() << ";\n\n";
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4 || (argc - 2) % 2 != 0) {
    std::cerr << "usage: embed_bytes <output.cpp> <NAME> <file> [<NAME> <file> ...]\n";
    return 2;
  }
  std::vector<std::string> contents;
  for (int i = 2; i < argc; i += 2) {
    std::string content;
    if (!read_file(argv[i + 1], content)) {
      std::cerr << "embed_bytes: cannot read " << argv[i + 1] << "\n";
      return 1;
    }
    contents.push_back(std::move(content));
  }
  const std::string temporary = std::string(argv[1]) + ".part";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out << "// Made at build time by embed_bytes; do not edit.\n";
    out << "#include <cstddef>\n\nnamespace sonivo::skin {\n\n";
    for (int i = 2; i < argc; i += 2) {
      write_block(out, argv[i], argv[i + 1], contents[static_cast<std::size_t>(i - 2) / 2]);
    }
    out << "}  // namespace sonivo::skin\n";
    if (!out) {
      std::cerr << "embed_bytes: cannot write " << temporary << "\n";
      return 1;
    }
  }
  if (std::rename(temporary.c_str(), argv[1]) != 0) {
    std::cerr << "embed_bytes: cannot write " << argv[1] << "\n";
    return 1;
  }
  return 0;
}
