// DirectDraw of DirectX 6: the records with their 32-bit Windows sizes, the flags and result
// codes, the interfaces of the DirectDraw object, its surfaces, clippers and palettes, and the
// library's entry points.
#pragma once

#include <cstddef>

#include "windows.h"
#include "unknwn.h"

struct IDirectDraw;
struct IDirectDraw4;
struct IDirectDrawSurface4;
struct IDirectDrawClipper;
struct IDirectDrawPalette;
typedef IDirectDraw* LPDIRECTDRAW;
typedef IDirectDraw4* LPDIRECTDRAW4;
typedef IDirectDrawSurface4* LPDIRECTDRAWSURFACE4;
typedef IDirectDrawClipper* LPDIRECTDRAWCLIPPER;
typedef IDirectDrawPalette* LPDIRECTDRAWPALETTE;

extern const GUID IID_IDirectDraw;
extern const GUID IID_IDirectDraw4;
extern const GUID IID_IDirectDrawSurface4;
extern const GUID IID_IDirectDrawClipper;
extern const GUID IID_IDirectDrawPalette;

// ---------------------------------------------------------------------------------------------
// Result codes.

#define MAKE_DDHRESULT(code) ((HRESULT)(0x88760000UL | (code)))

#ifndef CLASS_E_NOAGGREGATION
#define CLASS_E_NOAGGREGATION ((HRESULT)0x80040110L)
#endif

#define DD_OK S_OK
#define DD_FALSE S_FALSE
#define DDERR_GENERIC E_FAIL
#define DDERR_INVALIDPARAMS E_INVALIDARG
#define DDERR_OUTOFMEMORY E_OUTOFMEMORY
#define DDERR_UNSUPPORTED E_NOTIMPL
#define DDERR_ALREADYINITIALIZED MAKE_DDHRESULT(5)
#define DDERR_CANNOTATTACHSURFACE MAKE_DDHRESULT(10)
#define DDERR_CANNOTDETACHSURFACE MAKE_DDHRESULT(20)
#define DDERR_CURRENTLYNOTAVAIL MAKE_DDHRESULT(40)
#define DDERR_INVALIDCAPS MAKE_DDHRESULT(100)
#define DDERR_INVALIDMODE MAKE_DDHRESULT(120)
#define DDERR_INVALIDOBJECT MAKE_DDHRESULT(130)
#define DDERR_INVALIDPIXELFORMAT MAKE_DDHRESULT(145)
#define DDERR_INVALIDRECT MAKE_DDHRESULT(150)
#define DDERR_NOCOOPERATIVELEVELSET MAKE_DDHRESULT(212)
#define DDERR_NOCOLORKEY MAKE_DDHRESULT(215)
#define DDERR_NODIRECTDRAWSUPPORT MAKE_DDHRESULT(222)
#define DDERR_NOEXCLUSIVEMODE MAKE_DDHRESULT(225)
#define DDERR_NOTFOUND MAKE_DDHRESULT(255)
#define DDERR_OUTOFVIDEOMEMORY MAKE_DDHRESULT(380)
#define DDERR_SURFACEALREADYATTACHED MAKE_DDHRESULT(410)
#define DDERR_SURFACEBUSY MAKE_DDHRESULT(430)
#define DDERR_SURFACELOST MAKE_DDHRESULT(450)
#define DDERR_SURFACENOTATTACHED MAKE_DDHRESULT(460)
#define DDERR_TOOBIGHEIGHT MAKE_DDHRESULT(470)
#define DDERR_TOOBIGSIZE MAKE_DDHRESULT(480)
#define DDERR_TOOBIGWIDTH MAKE_DDHRESULT(490)
#define DDERR_UNSUPPORTEDFORMAT MAKE_DDHRESULT(510)
#define DDERR_WASSTILLDRAWING MAKE_DDHRESULT(540)
#define DDERR_INVALIDDIRECTDRAWGUID MAKE_DDHRESULT(561)
#define DDERR_PRIMARYSURFACEALREADYEXISTS MAKE_DDHRESULT(564)
#define DDERR_NOCLIPPERATTACHED MAKE_DDHRESULT(568)
#define DDERR_NOHWND MAKE_DDHRESULT(569)
#define DDERR_NOPALETTEATTACHED MAKE_DDHRESULT(572)
#define DDERR_EXCLUSIVEMODEALREADYSET MAKE_DDHRESULT(581)
#define DDERR_NOTFLIPPABLE MAKE_DDHRESULT(582)
#define DDERR_NOTLOCKED MAKE_DDHRESULT(584)
#define DDERR_CANTCREATEDC MAKE_DDHRESULT(585)
#define DDERR_NODC MAKE_DDHRESULT(586)
#define DDERR_WRONGMODE MAKE_DDHRESULT(587)
#define DDERR_IMPLICITLYCREATED MAKE_DDHRESULT(588)
#define DDERR_NOTPALETTIZED MAKE_DDHRESULT(589)
#define DDERR_UNSUPPORTEDMODE MAKE_DDHRESULT(590)
#define DDERR_DCALREADYCREATED MAKE_DDHRESULT(620)

// Enumeration callbacks answer one of these.
#define DDENUMRET_CANCEL 0
#define DDENUMRET_OK 1

// ---------------------------------------------------------------------------------------------
// Records.

typedef struct _DDCOLORKEY {
  DWORD dwColorSpaceLowValue;
  DWORD dwColorSpaceHighValue;
} DDCOLORKEY, *LPDDCOLORKEY;

typedef struct _DDSCAPS {
  DWORD dwCaps;
} DDSCAPS, *LPDDSCAPS;

typedef struct _DDSCAPS2 {
  DWORD dwCaps;
  DWORD dwCaps2;
  DWORD dwCaps3;
  DWORD dwCaps4;
} DDSCAPS2, *LPDDSCAPS2;

typedef struct _DDPIXELFORMAT {
  DWORD dwSize;  // 32
  DWORD dwFlags;  // DDPF_
  DWORD dwFourCC;
  union {
    DWORD dwRGBBitCount;
    DWORD dwYUVBitCount;
    DWORD dwZBufferBitDepth;  // bits of the whole depth pixel, stencil included
    DWORD dwAlphaBitDepth;
    DWORD dwLuminanceBitCount;
    DWORD dwBumpBitCount;
  };
  union {
    DWORD dwRBitMask;
    DWORD dwYBitMask;
    DWORD dwStencilBitDepth;
    DWORD dwLuminanceBitMask;
    DWORD dwBumpDuBitMask;
  };
  union {
    DWORD dwGBitMask;
    DWORD dwUBitMask;
    DWORD dwZBitMask;
    DWORD dwBumpDvBitMask;
  };
  union {
    DWORD dwBBitMask;
    DWORD dwVBitMask;
    DWORD dwStencilBitMask;
    DWORD dwBumpLuminanceBitMask;
  };
  union {
    DWORD dwRGBAlphaBitMask;
    DWORD dwYUVAlphaBitMask;
    DWORD dwLuminanceAlphaBitMask;
    DWORD dwRGBZBitMask;
    DWORD dwYUVZBitMask;
  };
} DDPIXELFORMAT, *LPDDPIXELFORMAT;

void* DdResolveSurfaceAddress(DWORD key);

// The address field of the surface records. Those records keep their 32-bit Windows sizes on
// this 64-bit host, so the field holds a 32-bit key under which Lock registered the address of
// the pixels. It reads like the pointer it stands for, and like a null pointer once the surface
// is unlocked.
struct DDSURFACEADDRESS {
  DWORD key;

  template <class T>
  operator T*() const {
    return static_cast<T*>(DdResolveSurfaceAddress(key));
  }
  explicit operator bool() const { return DdResolveSurfaceAddress(key) != nullptr; }
  DDSURFACEADDRESS& operator=(std::nullptr_t) {
    key = 0;
    return *this;
  }
  friend bool operator==(const DDSURFACEADDRESS& a, std::nullptr_t) { return !a; }
};

// The description of a surface or display mode as DirectX 6 exchanges it (124 bytes).
typedef struct _DDSURFACEDESC2 {
  DWORD dwSize;  // 124
  DWORD dwFlags;  // DDSD_: which fields are valid
  DWORD dwHeight;
  DWORD dwWidth;
  union {
    LONG lPitch;  // bytes from one row to the next
    DWORD dwLinearSize;
  };
  union {
    DWORD dwBackBufferCount;
    DWORD dwDepth;
  };
  union {
    DWORD dwMipMapCount;
    DWORD dwRefreshRate;
    DWORD dwSrcVBHandle;
  };
  DWORD dwAlphaBitDepth;
  DWORD dwReserved;
  DDSURFACEADDRESS lpSurface;
  union {
    DDCOLORKEY ddckCKDestOverlay;
    DWORD dwEmptyFaceColor;
  };
  DDCOLORKEY ddckCKDestBlt;
  DDCOLORKEY ddckCKSrcOverlay;
  DDCOLORKEY ddckCKSrcBlt;
  union {
    DDPIXELFORMAT ddpfPixelFormat;
    DWORD dwFVF;
  };
  DDSCAPS2 ddsCaps;
  DWORD dwTextureStage;
} DDSURFACEDESC2, *LPDDSURFACEDESC2;

// The description of the older interfaces (108 bytes).
typedef struct _DDSURFACEDESC {
  DWORD dwSize;  // 108
  DWORD dwFlags;
  DWORD dwHeight;
  DWORD dwWidth;
  union {
    LONG lPitch;
    DWORD dwLinearSize;
  };
  DWORD dwBackBufferCount;
  union {
    DWORD dwMipMapCount;
    DWORD dwZBufferBitDepth;
    DWORD dwRefreshRate;
  };
  DWORD dwAlphaBitDepth;
  DWORD dwReserved;
  DDSURFACEADDRESS lpSurface;
  DDCOLORKEY ddckCKDestOverlay;
  DDCOLORKEY ddckCKDestBlt;
  DDCOLORKEY ddckCKSrcOverlay;
  DDCOLORKEY ddckCKSrcBlt;
  DDPIXELFORMAT ddpfPixelFormat;
  DDSCAPS ddsCaps;
} DDSURFACEDESC, *LPDDSURFACEDESC;

#define DD_ROP_SPACE (256 / 32)

// The capabilities of a driver or of its emulation layer, DirectX 6 layout (380 bytes).
typedef struct _DDCAPS_DX6 {
  DWORD dwSize;  // 380
  DWORD dwCaps;  // DDCAPS_
  DWORD dwCaps2;  // DDCAPS2_
  DWORD dwCKeyCaps;
  DWORD dwFXCaps;
  DWORD dwFXAlphaCaps;
  DWORD dwPalCaps;  // DDPCAPS_
  DWORD dwSVCaps;
  DWORD dwAlphaBltConstBitDepths;
  DWORD dwAlphaBltPixelBitDepths;
  DWORD dwAlphaBltSurfaceBitDepths;
  DWORD dwAlphaOverlayConstBitDepths;
  DWORD dwAlphaOverlayPixelBitDepths;
  DWORD dwAlphaOverlaySurfaceBitDepths;
  DWORD dwZBufferBitDepths;  // DDBD_
  DWORD dwVidMemTotal;
  DWORD dwVidMemFree;
  DWORD dwMaxVisibleOverlays;
  DWORD dwCurrVisibleOverlays;
  DWORD dwNumFourCCCodes;
  DWORD dwAlignBoundarySrc;
  DWORD dwAlignSizeSrc;
  DWORD dwAlignBoundaryDest;
  DWORD dwAlignSizeDest;
  DWORD dwAlignStrideAlign;
  DWORD dwRops[DD_ROP_SPACE];
  DDSCAPS ddsOldCaps;
  DWORD dwMinOverlayStretch;
  DWORD dwMaxOverlayStretch;
  DWORD dwMinLiveVideoStretch;
  DWORD dwMaxLiveVideoStretch;
  DWORD dwMinHwCodecStretch;
  DWORD dwMaxHwCodecStretch;
  DWORD dwReserved1;
  DWORD dwReserved2;
  DWORD dwReserved3;
  DWORD dwSVBCaps;
  DWORD dwSVBCKeyCaps;
  DWORD dwSVBFXCaps;
  DWORD dwSVBRops[DD_ROP_SPACE];
  DWORD dwVSBCaps;
  DWORD dwVSBCKeyCaps;
  DWORD dwVSBFXCaps;
  DWORD dwVSBRops[DD_ROP_SPACE];
  DWORD dwSSBCaps;
  DWORD dwSSBCKeyCaps;
  DWORD dwSSBFXCaps;
  DWORD dwSSBRops[DD_ROP_SPACE];
  DWORD dwMaxVideoPorts;
  DWORD dwCurrVideoPorts;
  DWORD dwSVBCaps2;
  DWORD dwNLVBCaps;
  DWORD dwNLVBCaps2;
  DWORD dwNLVBCKeyCaps;
  DWORD dwNLVBFXCaps;
  DWORD dwNLVBRops[DD_ROP_SPACE];
  DDSCAPS2 ddsCaps;  // the surface capabilities the driver offers
} DDCAPS_DX6, DDCAPS, *LPDDCAPS;

// Effects of a blit. The pointer members of the Windows record are left out: its DWORD members
// keep their places.
typedef struct _DDBLTFX {
  DWORD dwSize;  // 100
  DWORD dwDDFX;
  DWORD dwROP;
  DWORD dwDDROP;
  DWORD dwRotationAngle;
  DWORD dwZBufferOpCode;
  DWORD dwZBufferLow;
  DWORD dwZBufferHigh;
  DWORD dwZBufferBaseDest;
  DWORD dwZDestConstBitDepth;
  DWORD dwZDestConst;
  DWORD dwZSrcConstBitDepth;
  DWORD dwZSrcConst;
  DWORD dwAlphaEdgeBlendBitDepth;
  DWORD dwAlphaEdgeBlend;
  DWORD dwReserved;
  DWORD dwAlphaDestConstBitDepth;
  DWORD dwAlphaDestConst;
  DWORD dwAlphaSrcConstBitDepth;
  DWORD dwAlphaSrcConst;
  union {
    DWORD dwFillColor;  // DDBLT_COLORFILL: a pixel of the destination's format
    DWORD dwFillDepth;  // DDBLT_DEPTHFILL
    DWORD dwFillPixel;
  };
  DDCOLORKEY ddckDestColorkey;
  DDCOLORKEY ddckSrcColorkey;  // DDBLT_KEYSRCOVERRIDE
} DDBLTFX, *LPDDBLTFX;

static_assert(sizeof(DDCOLORKEY) == 8);
static_assert(sizeof(DDSCAPS) == 4);
static_assert(sizeof(DDSCAPS2) == 16);
static_assert(sizeof(DDPIXELFORMAT) == 32);
static_assert(sizeof(DDSURFACEADDRESS) == 4);
static_assert(sizeof(DDSURFACEDESC2) == 124);
static_assert(sizeof(DDSURFACEDESC) == 108);
static_assert(sizeof(DDCAPS) == 380);
static_assert(sizeof(DDBLTFX) == 100);
static_assert(offsetof(DDSURFACEDESC2, ddpfPixelFormat) == 72);
static_assert(offsetof(DDSURFACEDESC2, ddsCaps) == 104);
static_assert(offsetof(DDCAPS, ddsCaps) == 364);

// ---------------------------------------------------------------------------------------------
// Flags.

// DDSURFACEDESC2.dwFlags: the valid fields.
#define DDSD_CAPS 0x00000001L
#define DDSD_HEIGHT 0x00000002L
#define DDSD_WIDTH 0x00000004L
#define DDSD_PITCH 0x00000008L
#define DDSD_BACKBUFFERCOUNT 0x00000020L
#define DDSD_ZBUFFERBITDEPTH 0x00000040L
#define DDSD_ALPHABITDEPTH 0x00000080L
#define DDSD_LPSURFACE 0x00000800L
#define DDSD_PIXELFORMAT 0x00001000L
#define DDSD_CKDESTOVERLAY 0x00002000L
#define DDSD_CKDESTBLT 0x00004000L
#define DDSD_CKSRCOVERLAY 0x00008000L
#define DDSD_CKSRCBLT 0x00010000L
#define DDSD_MIPMAPCOUNT 0x00020000L
#define DDSD_REFRESHRATE 0x00040000L
#define DDSD_LINEARSIZE 0x00080000L
#define DDSD_TEXTURESTAGE 0x00100000L
#define DDSD_ALL 0x001ff9eeL

// DDSCAPS2.dwCaps.
#define DDSCAPS_ALPHA 0x00000002L
#define DDSCAPS_BACKBUFFER 0x00000004L
#define DDSCAPS_COMPLEX 0x00000008L
#define DDSCAPS_FLIP 0x00000010L
#define DDSCAPS_FRONTBUFFER 0x00000020L
#define DDSCAPS_OFFSCREENPLAIN 0x00000040L
#define DDSCAPS_OVERLAY 0x00000080L
#define DDSCAPS_PALETTE 0x00000100L
#define DDSCAPS_PRIMARYSURFACE 0x00000200L
#define DDSCAPS_SYSTEMMEMORY 0x00000800L
#define DDSCAPS_TEXTURE 0x00001000L
#define DDSCAPS_3DDEVICE 0x00002000L
#define DDSCAPS_VIDEOMEMORY 0x00004000L
#define DDSCAPS_VISIBLE 0x00008000L
#define DDSCAPS_WRITEONLY 0x00010000L
#define DDSCAPS_ZBUFFER 0x00020000L
#define DDSCAPS_OWNDC 0x00040000L
#define DDSCAPS_LIVEVIDEO 0x00080000L
#define DDSCAPS_HWCODEC 0x00100000L
#define DDSCAPS_MODEX 0x00200000L
#define DDSCAPS_MIPMAP 0x00400000L
#define DDSCAPS_ALLOCONLOAD 0x04000000L
#define DDSCAPS_VIDEOPORT 0x08000000L
#define DDSCAPS_LOCALVIDMEM 0x10000000L
#define DDSCAPS_NONLOCALVIDMEM 0x20000000L
#define DDSCAPS_STANDARDVGAMODE 0x40000000L
#define DDSCAPS_OPTIMIZED 0x80000000L

// DDSCAPS2.dwCaps2.
#define DDSCAPS2_HINTDYNAMIC 0x00000004L
#define DDSCAPS2_HINTSTATIC 0x00000008L
#define DDSCAPS2_TEXTUREMANAGE 0x00000010L
#define DDSCAPS2_OPAQUE 0x00000080L
#define DDSCAPS2_HINTANTIALIASING 0x00000100L

// DDPIXELFORMAT.dwFlags.
#define DDPF_ALPHAPIXELS 0x00000001L
#define DDPF_ALPHA 0x00000002L
#define DDPF_FOURCC 0x00000004L
#define DDPF_PALETTEINDEXED4 0x00000008L
#define DDPF_PALETTEINDEXEDTO8 0x00000010L
#define DDPF_PALETTEINDEXED8 0x00000020L
#define DDPF_RGB 0x00000040L
#define DDPF_COMPRESSED 0x00000080L
#define DDPF_RGBTOYUV 0x00000100L
#define DDPF_YUV 0x00000200L
#define DDPF_ZBUFFER 0x00000400L
#define DDPF_PALETTEINDEXED1 0x00000800L
#define DDPF_PALETTEINDEXED2 0x00001000L
#define DDPF_ZPIXELS 0x00002000L
#define DDPF_STENCILBUFFER 0x00004000L
#define DDPF_ALPHAPREMULT 0x00008000L
#define DDPF_LUMINANCE 0x00020000L
#define DDPF_BUMPLUMINANCE 0x00040000L
#define DDPF_BUMPDUDV 0x00080000L

// SetCooperativeLevel.
#define DDSCL_FULLSCREEN 0x00000001L
#define DDSCL_ALLOWREBOOT 0x00000002L
#define DDSCL_NOWINDOWCHANGES 0x00000004L
#define DDSCL_NORMAL 0x00000008L
#define DDSCL_EXCLUSIVE 0x00000010L
#define DDSCL_ALLOWMODEX 0x00000040L
#define DDSCL_SETFOCUSWINDOW 0x00000080L
#define DDSCL_SETDEVICEWINDOW 0x00000100L
#define DDSCL_CREATEDEVICEWINDOW 0x00000200L
#define DDSCL_MULTITHREADED 0x00000400L
#define DDSCL_FPUSETUP 0x00000800L

// Blt.
#define DDBLT_COLORFILL 0x00000400L
#define DDBLT_DDFX 0x00000800L
#define DDBLT_DDROPS 0x00001000L
#define DDBLT_KEYDEST 0x00002000L
#define DDBLT_KEYDESTOVERRIDE 0x00004000L
#define DDBLT_KEYSRC 0x00008000L
#define DDBLT_KEYSRCOVERRIDE 0x00010000L
#define DDBLT_ROP 0x00020000L
#define DDBLT_ROTATIONANGLE 0x00040000L
#define DDBLT_ZBUFFER 0x00080000L
#define DDBLT_ASYNC 0x00000200L
#define DDBLT_WAIT 0x01000000L
#define DDBLT_DEPTHFILL 0x02000000L
#define DDBLT_DONOTWAIT 0x08000000L

// BltFast.
#define DDBLTFAST_NOCOLORKEY 0x00000000
#define DDBLTFAST_SRCCOLORKEY 0x00000001
#define DDBLTFAST_DESTCOLORKEY 0x00000002
#define DDBLTFAST_WAIT 0x00000010
#define DDBLTFAST_DONOTWAIT 0x00000020

// Flip.
#define DDFLIP_WAIT 0x00000001L
#define DDFLIP_EVEN 0x00000002L
#define DDFLIP_ODD 0x00000004L

// Lock.
#define DDLOCK_SURFACEMEMORYPTR 0x00000000L
#define DDLOCK_WAIT 0x00000001L
#define DDLOCK_EVENT 0x00000002L
#define DDLOCK_READONLY 0x00000010L
#define DDLOCK_WRITEONLY 0x00000020L
#define DDLOCK_NOSYSLOCK 0x00000800L

// Colour keys (SetColorKey, GetColorKey).
#define DDCKEY_COLORSPACE 0x00000001L
#define DDCKEY_DESTBLT 0x00000002L
#define DDCKEY_DESTOVERLAY 0x00000004L
#define DDCKEY_SRCBLT 0x00000008L
#define DDCKEY_SRCOVERLAY 0x00000010L

// Palettes.
#define DDPCAPS_4BIT 0x00000001L
#define DDPCAPS_8BITENTRIES 0x00000002L
#define DDPCAPS_8BIT 0x00000004L
#define DDPCAPS_INITIALIZE 0x00000008L
#define DDPCAPS_PRIMARYSURFACE 0x00000010L
#define DDPCAPS_PRIMARYSURFACELEFT 0x00000020L
#define DDPCAPS_ALLOW256 0x00000040L
#define DDPCAPS_VSYNC 0x00000080L
#define DDPCAPS_1BIT 0x00000100L
#define DDPCAPS_2BIT 0x00000200L
#define DDPCAPS_ALPHA 0x00000400L

// DirectDrawEnumerateExA.
#define DDENUM_ATTACHEDSECONDARYDEVICES 0x00000001L
#define DDENUM_DETACHEDSECONDARYDEVICES 0x00000002L
#define DDENUM_NONDISPLAYDEVICES 0x00000004L

// EnumDisplayModes and SetDisplayMode.
#define DDEDM_REFRESHRATES 0x00000001L
#define DDEDM_STANDARDVGAMODES 0x00000002L
#define DDSDM_STANDARDVGAMODE 0x00000001L

// DDCAPS.dwCaps.
#define DDCAPS_3D 0x00000001L
#define DDCAPS_BLT 0x00000040L
#define DDCAPS_BLTQUEUE 0x00000080L
#define DDCAPS_BLTFOURCC 0x00000100L
#define DDCAPS_BLTSTRETCH 0x00000200L
#define DDCAPS_GDI 0x00000400L
#define DDCAPS_PALETTE 0x00000800L
#define DDCAPS_COLORKEY 0x00400000L
#define DDCAPS_BLTCOLORFILL 0x04000000L
#define DDCAPS_BLTDEPTHFILL 0x10000000L
#define DDCAPS_CANBLTSYSMEM 0x80000000L

// DDCAPS.dwCaps2.
#define DDCAPS2_CERTIFIED 0x00000001L
#define DDCAPS2_NO2DDURING3DSCENE 0x00000002L
#define DDCAPS2_WIDESURFACES 0x00001000L
#define DDCAPS2_NOPAGELOCKREQUIRED 0x00040000L
#define DDCAPS2_CANRENDERWINDOWED 0x00080000L
#define DDCAPS2_CANMANAGETEXTURE 0x00800000L

// DDCAPS.dwCKeyCaps.
#define DDCKEYCAPS_SRCBLT 0x00000200L

// Render and depth bit depths (also used by the Direct3D capabilities).
#define DDBD_1 0x00004000L
#define DDBD_2 0x00002000L
#define DDBD_4 0x00001000L
#define DDBD_8 0x00000800L
#define DDBD_16 0x00000400L
#define DDBD_24 0x00000200L
#define DDBD_32 0x00000100L

// DirectDrawCreate's special identifiers.
#define DDCREATE_HARDWAREONLY ((GUID*)1)
#define DDCREATE_EMULATIONONLY ((GUID*)2)

// ---------------------------------------------------------------------------------------------
// Callbacks.

typedef BOOL(WINAPI* LPDDENUMCALLBACKA)(GUID* guid, LPSTR description, LPSTR name,
                                         LPVOID context);
typedef BOOL(WINAPI* LPDDENUMCALLBACKEXA)(GUID* guid, LPSTR description, LPSTR name,
                                           LPVOID context, HMONITOR monitor);
typedef HRESULT(WINAPI* LPDDENUMMODESCALLBACK2)(LPDDSURFACEDESC2 mode, LPVOID context);
typedef HRESULT(WINAPI* LPDDENUMSURFACESCALLBACK2)(LPDIRECTDRAWSURFACE4 surface,
                                                    LPDDSURFACEDESC2 desc, LPVOID context);

// ---------------------------------------------------------------------------------------------
// Interfaces.

// The DirectDraw object as DirectDrawCreate returns it; the program asks it for IDirectDraw4.
struct IDirectDraw : IUnknown {
  virtual HRESULT GetCaps(LPDDCAPS driver, LPDDCAPS emulation) = 0;
  virtual HRESULT GetDisplayMode(LPDDSURFACEDESC mode) = 0;
  virtual HRESULT SetCooperativeLevel(HWND window, DWORD flags) = 0;
  virtual HRESULT SetDisplayMode(DWORD width, DWORD height, DWORD bitsPerPixel) = 0;
  virtual HRESULT RestoreDisplayMode() = 0;
};

struct IDirectDraw4 : IUnknown {
  virtual HRESULT CreateClipper(DWORD flags, LPDIRECTDRAWCLIPPER* out, IUnknown* outer) = 0;
  virtual HRESULT CreatePalette(DWORD flags, LPPALETTEENTRY entries, LPDIRECTDRAWPALETTE* out,
                                IUnknown* outer) = 0;
  virtual HRESULT CreateSurface(LPDDSURFACEDESC2 desc, LPDIRECTDRAWSURFACE4* out,
                                IUnknown* outer) = 0;
  virtual HRESULT EnumDisplayModes(DWORD flags, LPDDSURFACEDESC2 filter, LPVOID context,
                                   LPDDENUMMODESCALLBACK2 callback) = 0;
  virtual HRESULT FlipToGDISurface() = 0;
  virtual HRESULT GetCaps(LPDDCAPS driver, LPDDCAPS emulation) = 0;
  virtual HRESULT GetDisplayMode(LPDDSURFACEDESC2 mode) = 0;
  virtual HRESULT GetGDISurface(LPDIRECTDRAWSURFACE4* out) = 0;
  virtual HRESULT RestoreDisplayMode() = 0;
  virtual HRESULT SetCooperativeLevel(HWND window, DWORD flags) = 0;
  virtual HRESULT SetDisplayMode(DWORD width, DWORD height, DWORD bitsPerPixel, DWORD refreshRate,
                                 DWORD flags) = 0;
  virtual HRESULT GetAvailableVidMem(LPDDSCAPS2 caps, LPDWORD total, LPDWORD free) = 0;
  virtual HRESULT RestoreAllSurfaces() = 0;
  virtual HRESULT TestCooperativeLevel() = 0;
};

struct IDirectDrawSurface4 : IUnknown {
  virtual HRESULT AddAttachedSurface(LPDIRECTDRAWSURFACE4 surface) = 0;
  virtual HRESULT Blt(LPRECT destRect, LPDIRECTDRAWSURFACE4 source, LPRECT sourceRect, DWORD flags,
                      LPDDBLTFX fx) = 0;
  virtual HRESULT BltFast(DWORD x, DWORD y, LPDIRECTDRAWSURFACE4 source, LPRECT sourceRect,
                          DWORD flags) = 0;
  virtual HRESULT DeleteAttachedSurface(DWORD flags, LPDIRECTDRAWSURFACE4 surface) = 0;
  virtual HRESULT EnumAttachedSurfaces(LPVOID context, LPDDENUMSURFACESCALLBACK2 callback) = 0;
  virtual HRESULT Flip(LPDIRECTDRAWSURFACE4 target, DWORD flags) = 0;
  virtual HRESULT GetAttachedSurface(LPDDSCAPS2 caps, LPDIRECTDRAWSURFACE4* out) = 0;
  virtual HRESULT GetCaps(LPDDSCAPS2 caps) = 0;
  virtual HRESULT GetClipper(LPDIRECTDRAWCLIPPER* out) = 0;
  virtual HRESULT GetColorKey(DWORD flags, LPDDCOLORKEY key) = 0;
  virtual HRESULT GetDC(HDC* out) = 0;
  virtual HRESULT GetPalette(LPDIRECTDRAWPALETTE* out) = 0;
  virtual HRESULT GetPixelFormat(LPDDPIXELFORMAT format) = 0;
  virtual HRESULT GetSurfaceDesc(LPDDSURFACEDESC2 desc) = 0;
  virtual HRESULT IsLost() = 0;
  virtual HRESULT Lock(LPRECT rect, LPDDSURFACEDESC2 desc, DWORD flags, HANDLE event) = 0;
  virtual HRESULT ReleaseDC(HDC dc) = 0;
  virtual HRESULT Restore() = 0;
  virtual HRESULT SetClipper(LPDIRECTDRAWCLIPPER clipper) = 0;
  virtual HRESULT SetColorKey(DWORD flags, LPDDCOLORKEY key) = 0;
  virtual HRESULT SetPalette(LPDIRECTDRAWPALETTE palette) = 0;
  virtual HRESULT Unlock(LPRECT rect) = 0;
  // The IDirectDraw4 that made the surface, with a reference added.
  virtual HRESULT GetDDInterface(LPVOID* out) = 0;
};

// Keeps blits to a surface inside a window's client area.
struct IDirectDrawClipper : IUnknown {
  virtual HRESULT GetHWnd(HWND* out) = 0;
  virtual HRESULT SetHWnd(DWORD flags, HWND window) = 0;
};

struct IDirectDrawPalette : IUnknown {
  virtual HRESULT GetCaps(LPDWORD caps) = 0;
  virtual HRESULT GetEntries(DWORD flags, DWORD first, DWORD count, LPPALETTEENTRY out) = 0;
  virtual HRESULT SetEntries(DWORD flags, DWORD first, DWORD count, LPPALETTEENTRY entries) = 0;
};

// ---------------------------------------------------------------------------------------------
// The library's exports. A program finds the enumeration calls through
// GetModuleHandleA("DDRAW.DLL") and GetProcAddress; the newer one may be missing.

HRESULT WINAPI DirectDrawCreate(GUID* driver, LPDIRECTDRAW* out, IUnknown* outer);
HRESULT WINAPI DirectDrawEnumerateA(LPDDENUMCALLBACKA callback, LPVOID context);
HRESULT WINAPI DirectDrawEnumerateExA(LPDDENUMCALLBACKEXA callback, LPVOID context, DWORD flags);

typedef HRESULT(WINAPI* LPDIRECTDRAWENUMERATEEXA)(LPDDENUMCALLBACKEXA callback, LPVOID context,
                                                 DWORD flags);
