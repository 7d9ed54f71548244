#include "core/ResolvedSound.h"

namespace sonivo {

ResolvedSound& resolved_sound() {
  static ResolvedSound record;
  return record;
}

}  // namespace sonivo
