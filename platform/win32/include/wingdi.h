// GDI: memory device contexts, 32-bit DIB sections, fonts and their metrics, text colours and
// background modes. Text itself is drawn with DrawTextA/DrawTextW (winuser.h).
//
// Handles are the objects' addresses. A handle is valid until it is deleted; null handles, the
// small stock-object values and handles of the wrong kind are refused. An object selected into
// a DC cannot be deleted, and a DC's own default font and bitmap can only be selected back into
// that DC.
#pragma once
#pragma GCC visibility push(default)
#include "windef.h"

#define RGB(r, g, b) ((COLORREF)(((BYTE)(r)) | ((DWORD)((BYTE)(g)) << 8) | ((DWORD)((BYTE)(b)) << 16)))
#define GetRValue(c) ((BYTE)(c))
#define GetGValue(c) ((BYTE)((c) >> 8))
#define GetBValue(c) ((BYTE)((c) >> 16))
#define CLR_INVALID 0xFFFFFFFF
#define HGDI_ERROR ((HGDIOBJ)(LONG_PTR)-1)

// Background modes
#define TRANSPARENT 1
#define OPAQUE 2

// Font weights
#define FW_DONTCARE 0
#define FW_THIN 100
#define FW_EXTRALIGHT 200
#define FW_LIGHT 300
#define FW_NORMAL 400
#define FW_REGULAR 400
#define FW_MEDIUM 500
#define FW_SEMIBOLD 600
#define FW_BOLD 700
#define FW_EXTRABOLD 800
#define FW_HEAVY 900

// Character sets
#define ANSI_CHARSET 0
#define DEFAULT_CHARSET 1
#define SYMBOL_CHARSET 2
#define SHIFTJIS_CHARSET 128
#define HANGUL_CHARSET 129
#define GB2312_CHARSET 134
#define CHINESEBIG5_CHARSET 136
#define OEM_CHARSET 255

// Precision, quality, pitch and family
#define OUT_DEFAULT_PRECIS 0
#define OUT_TT_PRECIS 4
#define OUT_TT_ONLY_PRECIS 7
#define CLIP_DEFAULT_PRECIS 0
#define DEFAULT_QUALITY 0
#define DRAFT_QUALITY 1
#define PROOF_QUALITY 2
#define NONANTIALIASED_QUALITY 3
#define ANTIALIASED_QUALITY 4
#define CLEARTYPE_QUALITY 5
#define DEFAULT_PITCH 0
#define FIXED_PITCH 1
#define VARIABLE_PITCH 2
#define FF_DONTCARE 0x00
#define FF_ROMAN 0x10
#define FF_SWISS 0x20
#define FF_MODERN 0x30

// TEXTMETRIC tmPitchAndFamily bits (TMPF_FIXED_PITCH set means variable pitch)
#define TMPF_FIXED_PITCH 0x01
#define TMPF_VECTOR 0x02
#define TMPF_TRUETYPE 0x04

#define LF_FACESIZE 32

typedef struct tagLOGFONTA {
  LONG lfHeight;  // > 0: cell height; < 0: character (em) height; 0: the default size
  LONG lfWidth;
  LONG lfEscapement;
  LONG lfOrientation;
  LONG lfWeight;
  BYTE lfItalic;
  BYTE lfUnderline;
  BYTE lfStrikeOut;
  BYTE lfCharSet;
  BYTE lfOutPrecision;
  BYTE lfClipPrecision;
  BYTE lfQuality;
  BYTE lfPitchAndFamily;
  CHAR lfFaceName[LF_FACESIZE];  // in the ANSI code page; empty: the default face
} LOGFONTA, *PLOGFONTA, *LPLOGFONTA;

typedef struct tagLOGFONTW {
  LONG lfHeight;
  LONG lfWidth;
  LONG lfEscapement;
  LONG lfOrientation;
  LONG lfWeight;
  BYTE lfItalic;
  BYTE lfUnderline;
  BYTE lfStrikeOut;
  BYTE lfCharSet;
  BYTE lfOutPrecision;
  BYTE lfClipPrecision;
  BYTE lfQuality;
  BYTE lfPitchAndFamily;
  WCHAR lfFaceName[LF_FACESIZE];
} LOGFONTW, *PLOGFONTW, *LPLOGFONTW;

typedef struct tagTEXTMETRICA {
  LONG tmHeight;  // tmAscent + tmDescent: the line height DrawText uses
  LONG tmAscent;
  LONG tmDescent;
  LONG tmInternalLeading;  // tmHeight minus the em height
  LONG tmExternalLeading;
  LONG tmAveCharWidth;
  LONG tmMaxCharWidth;
  LONG tmWeight;
  LONG tmOverhang;
  LONG tmDigitizedAspectX;
  LONG tmDigitizedAspectY;
  BYTE tmFirstChar;
  BYTE tmLastChar;
  BYTE tmDefaultChar;
  BYTE tmBreakChar;
  BYTE tmItalic;
  BYTE tmUnderlined;
  BYTE tmStruckOut;
  BYTE tmPitchAndFamily;
  BYTE tmCharSet;
} TEXTMETRICA, *LPTEXTMETRICA;

typedef struct tagTEXTMETRICW {
  LONG tmHeight;
  LONG tmAscent;
  LONG tmDescent;
  LONG tmInternalLeading;
  LONG tmExternalLeading;
  LONG tmAveCharWidth;
  LONG tmMaxCharWidth;
  LONG tmWeight;
  LONG tmOverhang;
  LONG tmDigitizedAspectX;
  LONG tmDigitizedAspectY;
  WCHAR tmFirstChar;
  WCHAR tmLastChar;
  WCHAR tmDefaultChar;
  WCHAR tmBreakChar;
  BYTE tmItalic;
  BYTE tmUnderlined;
  BYTE tmStruckOut;
  BYTE tmPitchAndFamily;
  BYTE tmCharSet;
} TEXTMETRICW, *LPTEXTMETRICW;

#define BI_RGB 0
#define BI_BITFIELDS 3
#define DIB_RGB_COLORS 0
#define DIB_PAL_COLORS 1

typedef struct tagBITMAPINFOHEADER {
  DWORD biSize;
  LONG biWidth;
  LONG biHeight;  // negative: top-down rows
  WORD biPlanes;
  WORD biBitCount;
  DWORD biCompression;
  DWORD biSizeImage;
  LONG biXPelsPerMeter;
  LONG biYPelsPerMeter;
  DWORD biClrUsed;
  DWORD biClrImportant;
} BITMAPINFOHEADER, *LPBITMAPINFOHEADER;

typedef struct tagRGBQUAD {
  BYTE rgbBlue;
  BYTE rgbGreen;
  BYTE rgbRed;
  BYTE rgbReserved;
} RGBQUAD;

typedef struct tagBITMAPINFO {
  BITMAPINFOHEADER bmiHeader;
  RGBQUAD bmiColors[1];
} BITMAPINFO, *LPBITMAPINFO;

static_assert(sizeof(LOGFONTA) == 60 && sizeof(LOGFONTW) == 92, "LOGFONT layouts");
static_assert(sizeof(BITMAPINFOHEADER) == 40, "BITMAPINFOHEADER layout");

// A memory DC: a 1 x 1 monochrome bitmap and the default interface font are selected at first,
// text black on an opaque white background. `compatible` is not needed and may be null.
HDC CreateCompatibleDC(HDC compatible);
// Deselects what the DC holds and deletes it with its default objects.
BOOL DeleteDC(HDC hdc);
// A DIB section of 32 bits per pixel (BI_RGB, one plane), top-down for a negative height; the
// pixels start zeroed and stay in place for the bitmap's life. Null for other formats, sizes
// past 256 MiB, or a file-mapping section.
HBITMAP CreateDIBSection(HDC hdc, const BITMAPINFO* info, UINT usage, void** bits, HANDLE section,
                         DWORD offset);
// A font found through fontconfig: the named face, or the default face when the name is empty
// or no such face exists. Characters the face lacks come from a face fontconfig finds for them
// (Han characters from a Chinese face); characters no face has draw the face's missing-glyph box.
HFONT CreateFontIndirectA(const LOGFONTA* logFont);
HFONT CreateFontIndirectW(const LOGFONTW* logFont);
// For a font: copies the LOGFONTA it was made from (a wide one with its face in the ANSI code
// page) and returns its size; with a null buffer only the size. 0 for other objects and for a
// buffer smaller than a LOGFONTA.
int GetObjectA(HGDIOBJ object, int size, LPVOID buffer);
// Selects a font or a bitmap, returning the previously selected one (null on failure). A bitmap
// can be selected into one DC at a time.
HGDIOBJ SelectObject(HDC hdc, HGDIOBJ object);
// FALSE for invalid handles and for objects still selected into a DC; a DC's default objects
// are not deleted but report success.
BOOL DeleteObject(HGDIOBJ object);
int SetBkMode(HDC hdc, int mode);  // previous mode, 0 on failure
int GetBkMode(HDC hdc);
COLORREF SetBkColor(HDC hdc, COLORREF color);  // previous colour, CLR_INVALID on failure
COLORREF GetBkColor(HDC hdc);
COLORREF SetTextColor(HDC hdc, COLORREF color);
COLORREF GetTextColor(HDC hdc);
BOOL GetTextMetricsA(HDC hdc, LPTEXTMETRICA metrics);
BOOL GetTextMetricsW(HDC hdc, LPTEXTMETRICW metrics);
// Drawing is synchronous; nothing to flush.
BOOL GdiFlush();
#pragma GCC visibility pop
