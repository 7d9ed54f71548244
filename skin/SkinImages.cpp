#include "skin/SkinImages.h"

#include <cstddef>

namespace sonivo::skin {

// Defined in the source embed_bytes makes at build time.
extern const unsigned char SKIN_LIBRARY_BYTES[];
extern const std::size_t SKIN_LIBRARY_BYTES_SIZE;
extern const unsigned char SKIN_FILE_BYTES[];
extern const std::size_t SKIN_FILE_BYTES_SIZE;

Bytes skin_library_image() {
  return Bytes(SKIN_LIBRARY_BYTES, SKIN_LIBRARY_BYTES_SIZE);
}

Bytes skin_file_image() {
  return Bytes(SKIN_FILE_BYTES, SKIN_FILE_BYTES_SIZE);
}

}  // namespace sonivo::skin
