#include "app/SkinSetup.h"

#include "app/SkinCalls.h"
#include "platform/files/Files.h"
#include "skin/SkinImages.h"

namespace sonivo {
namespace {

// Fixed paths: the real Windows folder is never looked up.
constexpr const char* SKIN_LIBRARY_PATH = "C:\\Windows\\jedata.dll";
constexpr const char* SKIN_FILE_PATH = "C:\\Windows\\win8.she";

}  // namespace

void install_skin() {
  // A file that cannot be written (no rights, in use by another copy, no C: drive) is
  // skipped; whatever already lies under that name is what gets used.
  files::write_whole_file(Text(SKIN_LIBRARY_PATH), skin::skin_library_image());
  files::write_whole_file(Text(SKIN_FILE_PATH), skin::skin_file_image());
  SkinH_AttachEx(Text(SKIN_FILE_PATH), Text(""));
}

void tint_skin() {
  SkinH_AdjustHSV(-80, 0, 0);
  SkinH_AdjustAero(210, 0, 0, 3, 0, 0, 0, 0, 0);
}

}  // namespace sonivo
