#pragma once
// The platform's file-dialog flags, as the templates name them.

namespace sonivo::app {

constexpr unsigned OFN_READONLY = 0x1;
constexpr unsigned OFN_OVERWRITEPROMPT = 0x2;
constexpr unsigned OFN_HIDEREADONLY = 0x4;
constexpr unsigned OFN_NOCHANGEDIR = 0x8;
constexpr unsigned OFN_ALLOWMULTISELECT = 0x200;
constexpr unsigned OFN_PATHMUSTEXIST = 0x800;
constexpr unsigned OFN_FILEMUSTEXIST = 0x1000;
constexpr unsigned OFN_CREATEPROMPT = 0x2000;

}  // namespace sonivo::app
