#pragma once
// The three functions our skin library ("jedata.dll") exports. The library runs inside a
// Qt Widgets program: it skins the program through the application's style, palette, font
// and style sheet, so every window, the ones that exist and the ones made later, wears
// the skin. Every function returns 1 when it did its work and 0 when it did not; the
// program ignores both.

#if defined(__i386__)
#define SKINH_CALL __attribute__((stdcall))
#else
#define SKINH_CALL
#endif

#define SKINH_EXPORT __attribute__((visibility("default")))

extern "C" {

// Reads the skin file `skin_path` (a path the file layer maps, GBK, e.g.
// "C:\Windows\win8.she"; see SkinFile.h for the format) and puts it on the program.
// `second` is accepted for callers that pass a key for a sealed skin; our skin files are
// not sealed, so it is not used. 0 when the file cannot be read, does not begin with
// ".SHE", or no QApplication exists yet; the look in force is then left as it is.
// Attaching again starts afresh: no colour shift, no aero values.
SKINH_EXPORT int SKINH_CALL SkinH_AttachEx(const char* skin_path, const char* second);

// Shifts every colour of the attached skin, counted from the skin as its file gives it
// (a later call replaces an earlier one, it does not add to it):
//   hue         degrees added to each colour's hue, wrapping at 360 (-80 turns a violet
//               accent into blue); greys have no hue and keep it;
//   saturation  percent of the full range added to each colour's saturation, -100..100;
//   value       percent of the full range added to each colour's brightness, -100..100.
// 0 when no skin is attached.
SKINH_EXPORT int SKINH_CALL SkinH_AdjustHSV(int hue, int saturation, int value);

// Sets the glass and shadow effects; zeros turn every effect off.
//   alpha         opacity of every top-level window: 1..254 give alpha/255 (210 is about
//                 82%); 0 and 255 or more mean fully opaque;
//   shadow_x      horizontal offset in pixels of the shadow push buttons cast;
//   shadow_y      vertical offset in pixels of that shadow;
//   shadow_blur   blur radius of the shadow in pixels; 0 casts no shadow at all (with
//                 both offsets 0 the shadow is a soft halo round the button);
//   shadow_red, shadow_green, shadow_blue
//                 colour of the shadow, 0..255 each (all 0: black); its opacity is the
//                 skin file's shadow_alpha;
//   extra_radius  pixels added to the skin's corner radius (the sum is kept in 0..16);
//   extra_border  pixels added to the skin's frame width (the sum is kept in 0..8).
// 0 when no skin is attached.
SKINH_EXPORT int SKINH_CALL SkinH_AdjustAero(int alpha, int shadow_x, int shadow_y, int shadow_blur,
                                             int shadow_red, int shadow_green, int shadow_blue,
                                             int extra_radius, int extra_border);
}
