// GDI32 services: bitmaps and device contexts.
#pragma once

#include "wintypes.h"

// Colour-table entry of a device-independent bitmap: blue, green, red, reserved.
typedef struct tagRGBQUAD {
  BYTE rgbBlue;
  BYTE rgbGreen;
  BYTE rgbRed;
  BYTE rgbReserved;
} RGBQUAD, *LPRGBQUAD;

// Colour-table entry of the old core (OS/2 1.x) header.
typedef struct tagRGBTRIPLE {
  BYTE rgbtBlue;
  BYTE rgbtGreen;
  BYTE rgbtRed;
} RGBTRIPLE;

// The 14 bytes in front of a .bmp file; packed because bfSize sits at offset 2.
#pragma pack(push, 2)
typedef struct tagBITMAPFILEHEADER {
  WORD bfType;  // "BM"
  DWORD bfSize;
  WORD bfReserved1;
  WORD bfReserved2;
  DWORD bfOffBits;  // where the pixel data starts, from the start of the file
} BITMAPFILEHEADER;
#pragma pack(pop)

typedef struct tagBITMAPCOREHEADER {
  DWORD bcSize;  // 12
  WORD bcWidth;
  WORD bcHeight;
  WORD bcPlanes;
  WORD bcBitCount;
} BITMAPCOREHEADER;

typedef struct tagBITMAPINFOHEADER {
  DWORD biSize;  // 40
  LONG biWidth;
  LONG biHeight;  // negative: rows stored top-down
  WORD biPlanes;
  WORD biBitCount;
  DWORD biCompression;
  DWORD biSizeImage;
  LONG biXPelsPerMeter;
  LONG biYPelsPerMeter;
  DWORD biClrUsed;  // 0: the full table for the bit depth
  DWORD biClrImportant;
} BITMAPINFOHEADER, *LPBITMAPINFOHEADER;

typedef struct tagCIEXYZ {
  LONG ciexyzX;
  LONG ciexyzY;
  LONG ciexyzZ;
} CIEXYZ;

typedef struct tagCIEXYZTRIPLE {
  CIEXYZ ciexyzRed;
  CIEXYZ ciexyzGreen;
  CIEXYZ ciexyzBlue;
} CIEXYZTRIPLE;

typedef struct {
  DWORD bV4Size;  // 108
  LONG bV4Width;
  LONG bV4Height;
  WORD bV4Planes;
  WORD bV4BitCount;
  DWORD bV4V4Compression;
  DWORD bV4SizeImage;
  LONG bV4XPelsPerMeter;
  LONG bV4YPelsPerMeter;
  DWORD bV4ClrUsed;
  DWORD bV4ClrImportant;
  DWORD bV4RedMask;
  DWORD bV4GreenMask;
  DWORD bV4BlueMask;
  DWORD bV4AlphaMask;
  DWORD bV4CSType;
  CIEXYZTRIPLE bV4Endpoints;
  DWORD bV4GammaRed;
  DWORD bV4GammaGreen;
  DWORD bV4GammaBlue;
} BITMAPV4HEADER;

typedef struct {
  DWORD bV5Size;  // 124
  LONG bV5Width;
  LONG bV5Height;
  WORD bV5Planes;
  WORD bV5BitCount;
  DWORD bV5Compression;
  DWORD bV5SizeImage;
  LONG bV5XPelsPerMeter;
  LONG bV5YPelsPerMeter;
  DWORD bV5ClrUsed;
  DWORD bV5ClrImportant;
  DWORD bV5RedMask;
  DWORD bV5GreenMask;
  DWORD bV5BlueMask;
  DWORD bV5AlphaMask;
  DWORD bV5CSType;
  CIEXYZTRIPLE bV5Endpoints;
  DWORD bV5GammaRed;
  DWORD bV5GammaGreen;
  DWORD bV5GammaBlue;
  DWORD bV5Intent;
  DWORD bV5ProfileData;
  DWORD bV5ProfileSize;
  DWORD bV5Reserved;
} BITMAPV5HEADER;

typedef struct tagBITMAPINFO {
  BITMAPINFOHEADER bmiHeader;
  RGBQUAD bmiColors[1];
} BITMAPINFO, *LPBITMAPINFO;

static_assert(sizeof(BITMAPFILEHEADER) == 14);
static_assert(sizeof(BITMAPCOREHEADER) == 12);
static_assert(sizeof(BITMAPINFOHEADER) == 40);
static_assert(sizeof(BITMAPV4HEADER) == 108);
static_assert(sizeof(BITMAPV5HEADER) == 124);

// biCompression values.
#define BI_RGB 0L
#define BI_RLE8 1L
#define BI_RLE4 2L
#define BI_BITFIELDS 3L
#define BI_JPEG 4L
#define BI_PNG 5L
#define BI_ALPHABITFIELDS 6L

// What GetObjectA reports for a bitmap. bmBits is null for a bitmap that is not a DIB section.
typedef struct tagBITMAP {
  LONG bmType;  // always 0
  LONG bmWidth;
  LONG bmHeight;
  LONG bmWidthBytes;  // bytes per row
  WORD bmPlanes;  // always 1
  WORD bmBitsPixel;
  LPVOID bmBits;
} BITMAP, *LPBITMAP;

// LoadImageA: the image types and load flags.
#define IMAGE_BITMAP 0
#define IMAGE_ICON 1
#define IMAGE_CURSOR 2
#define LR_DEFAULTCOLOR 0x00000000
#define LR_MONOCHROME 0x00000001
#define LR_LOADFROMFILE 0x00000010
#define LR_LOADTRANSPARENT 0x00000020
#define LR_DEFAULTSIZE 0x00000040
#define LR_CREATEDIBSECTION 0x00002000

// Loads a .bmp file (LR_LOADFROMFILE: `name` is a file name, the module is not used) or a
// bitmap resource of `module`. The result is always a DIB section in the image's own bit
// depth with its colour table, whether or not LR_CREATEDIBSECTION is given. cx and cy must
// be 0 or the image's own size: this layer does not scale, and refuses (null) other sizes.
// Null when the image cannot be found or read.
HANDLE LoadImageA(HINSTANCE module, LPCSTR name, UINT type, int cx, int cy, UINT flags);

// Fills a BITMAP (size at least sizeof(BITMAP)) for a bitmap handle, a LOGFONTA for a font;
// returns the bytes written, the size needed when `out` is null, 0 for anything else.
int GetObjectA(HGDIOBJ object, int size, LPVOID out);

// Deletes a bitmap, brush, pen or font. FALSE for a handle that is none of those or a bitmap
// still selected into a device context. Stock objects are not deleted (TRUE).
BOOL DeleteObject(HGDIOBJ object);

// A memory device context, with the stock 1 x 1 monochrome bitmap selected. `dc` is null
// (the screen) or a live device context.
HDC CreateCompatibleDC(HDC dc);

// Selects a bitmap into a memory device context, or a font, brush or pen into any device
// context, and returns the object of that kind selected before; null on a bad handle or when
// the bitmap is selected into another device context.
HGDIOBJ SelectObject(HDC dc, HGDIOBJ object);

// Deletes a device context; the bitmap selected into it is left alive and free.
BOOL DeleteDC(HDC dc);

// Copies colour-table entries [start, start + count) of the DIB section selected into `dc`;
// returns the number copied (0 when the bitmap has more than 8 bits per pixel).
UINT GetDIBColorTable(HDC dc, UINT start, UINT count, RGBQUAD* colors);

// One entry of a logical palette: red, green, blue and the entry's flags.
typedef struct tagPALETTEENTRY {
  BYTE peRed;
  BYTE peGreen;
  BYTE peBlue;
  BYTE peFlags;
} PALETTEENTRY, *LPPALETTEENTRY;

// Stock objects: brushes, pens, fonts and the default palette. The handles are fixed and
// never deleted; null for an index that is not a stock object.
#define WHITE_BRUSH 0
#define LTGRAY_BRUSH 1
#define GRAY_BRUSH 2
#define DKGRAY_BRUSH 3
#define BLACK_BRUSH 4
#define NULL_BRUSH 5
#define HOLLOW_BRUSH NULL_BRUSH
#define WHITE_PEN 6
#define BLACK_PEN 7
#define NULL_PEN 8
#define OEM_FIXED_FONT 10
#define ANSI_FIXED_FONT 11
#define ANSI_VAR_FONT 12
#define SYSTEM_FONT 13
#define DEVICE_DEFAULT_FONT 14
#define DEFAULT_PALETTE 15
#define SYSTEM_FIXED_FONT 16
#define DEFAULT_GUI_FONT 17
HGDIOBJ GetStockObject(int index);

// Colours of GDI drawing: 0x00BBGGRR.
typedef DWORD COLORREF;
#define RGB(r, g, b) ((COLORREF)(((BYTE)(r)) | ((WORD)((BYTE)(g)) << 8) | ((DWORD)((BYTE)(b)) << 16)))
#define GetRValue(rgb) ((BYTE)(rgb))
#define GetGValue(rgb) ((BYTE)(((WORD)(rgb)) >> 8))
#define GetBValue(rgb) ((BYTE)((rgb) >> 16))
#define CLR_INVALID 0xFFFFFFFF

// Background modes of text output.
#define TRANSPARENT 1
#define OPAQUE 2

// Raster operations of BitBlt; only SRCCOPY is carried out.
#define SRCCOPY (DWORD)0x00CC0020

// ExtTextOutA options.
#define ETO_OPAQUE 0x0002
#define ETO_CLIPPED 0x0004

// Drawing state of a device context; the previous value, or CLR_INVALID (0 for the mode) for a
// handle that is not a device context.
COLORREF SetTextColor(HDC dc, COLORREF color);
COLORREF SetBkColor(HDC dc, COLORREF color);
int SetBkMode(HDC dc, int mode);

// Draws text with its cell's top-left corner at (x, y), in the selected font, in
// the text colour; with OPAQUE the cell is filled with the background colour first. ETO_OPAQUE
// fills `rect` with the background colour, ETO_CLIPPED keeps the text inside it. Spacing
// arrays are not used. Draws on surface and window device contexts; FALSE elsewhere.
BOOL ExtTextOutA(HDC dc, int x, int y, UINT options, const RECT* rect, LPCSTR text, UINT count,
                 const INT* dx);
// The width and height ExtTextOutA would cover.
BOOL GetTextExtentPoint32A(HDC dc, LPCSTR text, int count, LPSIZE size);

// Copies a rectangle of the bitmap selected into a memory device context (or of another
// surface) onto a surface device context, converting to the surface's format or matching its
// palette. Parts outside either picture are left alone. FALSE for another raster operation,
// negative sizes or handles that do not fit.
BOOL BitBlt(HDC dest, int x, int y, int width, int height, HDC source, int sourceX, int sourceY,
            DWORD rop);

// ---- Drawing objects: brushes, pens, fonts; shapes and text metrics ----

// Pen styles; every pen is drawn solid, one pixel wide, except PS_NULL which draws nothing.
#define PS_SOLID 0
#define PS_DASH 1
#define PS_DOT 2
#define PS_DASHDOT 3
#define PS_DASHDOTDOT 4
#define PS_NULL 5
#define PS_INSIDEFRAME 6

// Font weights and the LOGFONTA byte fields.
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
#define ANSI_CHARSET 0
#define DEFAULT_CHARSET 1
#define HANGUL_CHARSET 129
#define OUT_DEFAULT_PRECIS 0
#define CLIP_DEFAULT_PRECIS 0
#define DEFAULT_QUALITY 0
#define NONANTIALIASED_QUALITY 3
#define ANTIALIASED_QUALITY 4
#define DEFAULT_PITCH 0
#define FIXED_PITCH 1
#define VARIABLE_PITCH 2
#define FF_DONTCARE 0x00
#define FF_ROMAN 0x10
#define FF_SWISS 0x20
#define FF_MODERN 0x30
#define LF_FACESIZE 32

// lfHeight > 0 is the cell height in pixels, < 0 the character (em) height, 0 the default
// (16 pixels). Weights from FW_SEMIBOLD up draw bold; every face name maps to the one face
// that covers Latin and Hangul.
typedef struct tagLOGFONTA {
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
  CHAR lfFaceName[LF_FACESIZE];
} LOGFONTA, *LPLOGFONTA;

typedef struct tagTEXTMETRICA {
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

static_assert(sizeof(LOGFONTA) == 60);
static_assert(sizeof(TEXTMETRICA) == 56);

// New objects, until DeleteObject; null on bad arguments.
HBRUSH CreateSolidBrush(COLORREF color);
HPEN CreatePen(int style, int width, COLORREF color);
HFONT CreateFontIndirectA(const LOGFONTA* font);
HFONT CreateFontA(int height, int width, int escapement, int orientation, int weight,
                  DWORD italic, DWORD underline, DWORD strikeOut, DWORD charSet,
                  DWORD outPrecision, DWORD clipPrecision, DWORD quality, DWORD pitchAndFamily,
                  LPCSTR faceName);
// A device context starts with the stock SYSTEM_FONT (16 pixels), WHITE_BRUSH and BLACK_PEN.
// SelectObject takes fonts, brushes and pens for any device context and returns the object of
// that kind selected before. GetObjectA fills a LOGFONTA for a font.

COLORREF GetTextColor(HDC dc);
COLORREF GetBkColor(HDC dc);
// Metrics of the font selected into `dc`.
BOOL GetTextMetricsA(HDC dc, LPTEXTMETRICA metrics);
// ExtTextOutA without options.
BOOL TextOutA(HDC dc, int x, int y, LPCSTR text, int count);

// Shapes in the selected pen (outline) and brush (inside); the right and bottom edges are
// outside the shape, and LineTo does not draw its end point.
BOOL Rectangle(HDC dc, int left, int top, int right, int bottom);
BOOL MoveToEx(HDC dc, int x, int y, LPPOINT previous);
BOOL LineTo(HDC dc, int x, int y);
// The colour written (matched to the surface's format), or CLR_INVALID outside the clip area.
COLORREF SetPixel(HDC dc, int x, int y, COLORREF color);
COLORREF GetPixel(HDC dc, int x, int y);
