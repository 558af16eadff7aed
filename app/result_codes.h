// The program's own result codes, beside the platform's: device enumeration and selection,
// and the rendering framework with the start-up checks.
#pragma once

#include <windows.h>

constexpr HRESULT EnumErrFailed = (HRESULT)0x81000001;
constexpr HRESULT EnumErrTryReference = (HRESULT)0x81000002;
constexpr HRESULT EnumErrNoCompatible = (HRESULT)0x81000003;
constexpr HRESULT EnumErrNoLibrary = (HRESULT)0x81000004;
constexpr HRESULT EnumErrNotFound = (HRESULT)0x81000005;

constexpr HRESULT FwErrGeneric = (HRESULT)0x82000000;
constexpr HRESULT FwErrNoDirectDraw = (HRESULT)0x82000001;
constexpr HRESULT FwErrCoopLevel = (HRESULT)0x82000002;
constexpr HRESULT FwErrNoDirect3D = (HRESULT)0x82000003;
constexpr HRESULT FwErrNoDevice = (HRESULT)0x82000004;
constexpr HRESULT FwErrNoDepthBuffer = (HRESULT)0x82000005;
constexpr HRESULT FwErrNoViewport = (HRESULT)0x82000006;
constexpr HRESULT FwErrNoPrimary = (HRESULT)0x82000007;
constexpr HRESULT FwErrNoClipper = (HRESULT)0x82000008;
constexpr HRESULT FwErrBadMode = (HRESULT)0x82000009;
constexpr HRESULT FwErrNoBackBuffer = (HRESULT)0x8200000A;
constexpr HRESULT FwErrStillReferenced = (HRESULT)0x8200000B;
constexpr HRESULT FwErrNoRenderTarget = (HRESULT)0x8200000C;
constexpr HRESULT FwErrNeedsHighColor = (HRESULT)0x8200000D;
constexpr HRESULT FwErrNotBuilt = (HRESULT)0x8200000E;
