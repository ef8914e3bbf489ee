/* The Windows SDK's dcommon.h gives DWRITE_GLYPH_IMAGE_FORMATS constexpr flag operators,
   which the framework's colour-glyph code uses in constant expressions; MinGW-w64 12's copy
   has none (and its DEFINE_ENUM_FLAG_OPERATORS are not constexpr). */
#pragma once
#include_next <dcommon.h>

#ifdef __cplusplus
constexpr inline DWRITE_GLYPH_IMAGE_FORMATS operator| (DWRITE_GLYPH_IMAGE_FORMATS a, DWRITE_GLYPH_IMAGE_FORMATS b) { return DWRITE_GLYPH_IMAGE_FORMATS ((int) a | (int) b); }
constexpr inline DWRITE_GLYPH_IMAGE_FORMATS operator& (DWRITE_GLYPH_IMAGE_FORMATS a, DWRITE_GLYPH_IMAGE_FORMATS b) { return DWRITE_GLYPH_IMAGE_FORMATS ((int) a & (int) b); }
constexpr inline DWRITE_GLYPH_IMAGE_FORMATS operator^ (DWRITE_GLYPH_IMAGE_FORMATS a, DWRITE_GLYPH_IMAGE_FORMATS b) { return DWRITE_GLYPH_IMAGE_FORMATS ((int) a ^ (int) b); }
constexpr inline DWRITE_GLYPH_IMAGE_FORMATS operator~ (DWRITE_GLYPH_IMAGE_FORMATS a) { return DWRITE_GLYPH_IMAGE_FORMATS (~(int) a); }
inline DWRITE_GLYPH_IMAGE_FORMATS& operator|= (DWRITE_GLYPH_IMAGE_FORMATS& a, DWRITE_GLYPH_IMAGE_FORMATS b) { return a = a | b; }
inline DWRITE_GLYPH_IMAGE_FORMATS& operator&= (DWRITE_GLYPH_IMAGE_FORMATS& a, DWRITE_GLYPH_IMAGE_FORMATS b) { return a = a & b; }
inline DWRITE_GLYPH_IMAGE_FORMATS& operator^= (DWRITE_GLYPH_IMAGE_FORMATS& a, DWRITE_GLYPH_IMAGE_FORMATS b) { return a = a ^ b; }
#endif
