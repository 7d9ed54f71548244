#include "download/StatusTexts.h"

#include "text/Gbk.h"

namespace sonivo {

Text status_text_of(RunOutcome outcome) {
  return gbk(status_literal(outcome));
}

Text RunResult::status_text() const {
  return outcome == RunOutcome::ServerRefused ? reason : status_text_of(outcome);
}

}  // namespace sonivo
