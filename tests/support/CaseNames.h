#pragma once
// Names for the cases of a parameterised test, made from each case's description, so
// that a failure names its case ("TextBetween/Cases/empty_start_marker_with_start_position")
// and one case can be run alone with --gtest_filter.

#include <gtest/gtest.h>

#include <string>
#include <string_view>

namespace sonivo::testing {

// Letters and digits stay; every other run of characters becomes one underscore.
inline std::string case_name(std::string_view what) {
  std::string name;
  for (const char c : what) {
    const bool kept = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
    if (kept) {
      name += c;
    } else if (!name.empty() && name.back() != '_') {
      name += '_';
    }
  }
  while (!name.empty() && name.back() == '_') {
    name.pop_back();
  }
  return name.empty() ? std::string("unnamed") : name;
}

// The name generator for INSTANTIATE_TEST_SUITE_P over cases that have a `what`.
struct NamedByWhat {
  template <class Case>
  std::string operator()(const ::testing::TestParamInfo<Case>& param_info) const {
    return case_name(param_info.param.what);
  }
};

}  // namespace sonivo::testing
