#include "tests/support/TempFolder.h"

#include <cstdlib>
#include <stdexcept>
#include <system_error>

namespace sonivo::testing {

TempFolder::TempFolder() {
  std::string pattern = (std::filesystem::temp_directory_path() / "sonivo-test-XXXXXX").string();
  if (!::mkdtemp(pattern.data())) {
    throw std::runtime_error("mkdtemp failed");
  }
  path_ = pattern;
}

TempFolder::~TempFolder() {
  std::error_code ignored;
  std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::add, ignored);
  std::filesystem::remove_all(path_, ignored);
}

}  // namespace sonivo::testing
