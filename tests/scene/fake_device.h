// A Direct3D device that only records what the mesh code asks of it.
#pragma once

#include <d3d.h>

#include <vector>

struct FakeDevice : IDirect3DDevice3 {
  struct DrawCall {
    D3DPRIMITIVETYPE type;
    DWORD format;
    std::vector<D3DTLVERTEX> vertices;
    std::vector<WORD> indices;
    DWORD flags;
  };
  std::vector<IDirect3DTexture2*> textures;  // every SetTexture on stage 0, in order
  std::vector<DrawCall> draws;

  HRESULT QueryInterface(REFIID, LPVOID*) override { return E_NOINTERFACE; }
  ULONG AddRef() override { return 1; }
  ULONG Release() override { return 1; }
  HRESULT GetCaps(LPD3DDEVICEDESC, LPD3DDEVICEDESC) override { return E_NOTIMPL; }
  HRESULT AddViewport(LPDIRECT3DVIEWPORT3) override { return E_NOTIMPL; }
  HRESULT DeleteViewport(LPDIRECT3DVIEWPORT3) override { return E_NOTIMPL; }
  HRESULT EnumTextureFormats(LPD3DENUMPIXELFORMATSCALLBACK, LPVOID) override { return E_NOTIMPL; }
  HRESULT BeginScene() override { return S_OK; }
  HRESULT EndScene() override { return S_OK; }
  HRESULT GetDirect3D(LPDIRECT3D3*) override { return E_NOTIMPL; }
  HRESULT SetCurrentViewport(LPDIRECT3DVIEWPORT3) override { return E_NOTIMPL; }
  HRESULT GetCurrentViewport(LPDIRECT3DVIEWPORT3*) override { return E_NOTIMPL; }
  HRESULT SetRenderTarget(LPDIRECTDRAWSURFACE4, DWORD) override { return E_NOTIMPL; }
  HRESULT GetRenderTarget(LPDIRECTDRAWSURFACE4*) override { return E_NOTIMPL; }
  HRESULT GetRenderState(D3DRENDERSTATETYPE, LPDWORD) override { return E_NOTIMPL; }
  HRESULT SetRenderState(D3DRENDERSTATETYPE, DWORD) override { return S_OK; }
  HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE type, DWORD format, LPVOID vertices, DWORD count,
                               LPWORD indices, DWORD indexCount, DWORD flags) override {
    auto* v = static_cast<D3DTLVERTEX*>(vertices);
    draws.push_back({type, format, std::vector<D3DTLVERTEX>(v, v + count),
                     std::vector<WORD>(indices, indices + indexCount), flags});
    return S_OK;
  }
  HRESULT GetTexture(DWORD, LPDIRECT3DTEXTURE2*) override { return E_NOTIMPL; }
  HRESULT SetTexture(DWORD stage, LPDIRECT3DTEXTURE2 texture) override {
    if (stage == 0) textures.push_back(texture);
    return S_OK;
  }
  HRESULT GetTextureStageState(DWORD, D3DTEXTURESTAGESTATETYPE, LPDWORD) override {
    return E_NOTIMPL;
  }
  HRESULT SetTextureStageState(DWORD, D3DTEXTURESTAGESTATETYPE, DWORD) override { return S_OK; }
};
