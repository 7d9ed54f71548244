#include "app/SkinSetup.h"

namespace sonivo {

void install_skin() {
  // filled in by the skin set-up
}

void tint_skin() {
  // filled in by the skin set-up
}

}  // namespace sonivo
