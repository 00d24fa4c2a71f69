// Our Direct3D 7 stand-in, reached through the DirectDraw object: device and
// Z-buffer format enumeration, device creation on a 3D-capable surface, vertex
// buffers, render states, transforms and the drawing operations. The device
// checks every call and hands the draws to a rasteriser (raster.h): the
// software one of platform/d3d/.
#pragma once

#include <array>
#include <memory>

#include "platform/ddraw.h"

constexpr HRESULT D3D_OK = 0;
constexpr HRESULT D3DENUMRET_OK = 1;
constexpr HRESULT D3DENUMRET_CANCEL = 0;

constexpr HRESULT D3DERR_INVALID_DEVICE = MakeDDResult(705);
constexpr HRESULT D3DERR_INITFAILED = MakeDDResult(706);
constexpr HRESULT D3DERR_INVALIDPRIMITIVETYPE = MakeDDResult(736);
constexpr HRESULT D3DERR_INVALIDVERTEXTYPE = MakeDDResult(737);
constexpr HRESULT D3DERR_SCENE_IN_SCENE = MakeDDResult(760);
constexpr HRESULT D3DERR_SCENE_NOT_IN_SCENE = MakeDDResult(761);
constexpr HRESULT D3DERR_INVALIDVERTEXFORMAT = MakeDDResult(2048);
constexpr HRESULT D3DERR_ZBUFFER_NOTPRESENT = MakeDDResult(2070);
constexpr HRESULT D3DERR_WRONGTEXTUREFORMAT = MakeDDResult(2072);
constexpr HRESULT D3DERR_UNSUPPORTEDCOLOROPERATION = MakeDDResult(2073);
constexpr HRESULT D3DERR_UNSUPPORTEDCOLORARG = MakeDDResult(2074);
constexpr HRESULT D3DERR_UNSUPPORTEDALPHAOPERATION = MakeDDResult(2075);
constexpr HRESULT D3DERR_UNSUPPORTEDALPHAARG = MakeDDResult(2076);
constexpr HRESULT D3DERR_TOOMANYOPERATIONS = MakeDDResult(2077);
constexpr HRESULT D3DERR_VIEWPORTHASNODEVICE = MakeDDResult(774);
constexpr HRESULT D3DERR_VERTEXBUFFERLOCKED = MakeDDResult(2062);

// Every public Direct3D result with its name.
const std::vector<ResultName>& Direct3DResultNames();

constexpr DWORD D3DDEVCAPS_HWTRANSFORMANDLIGHT = 0x00010000;
constexpr DWORD D3DDEVCAPS_HWRASTERIZATION = 0x00080000;
constexpr DWORD D3DPRASTERCAPS_DITHER = 0x00000001;
constexpr DWORD D3DPRASTERCAPS_ZTEST = 0x00000010;
constexpr DWORD D3DPRASTERCAPS_FOGVERTEX = 0x00000080;
constexpr DWORD D3DPRASTERCAPS_FOGTABLE = 0x00000100;
constexpr DWORD D3DPRASTERCAPS_WBUFFER = 0x00040000;
constexpr DWORD D3DPRASTERCAPS_WFOG = 0x00100000;
constexpr DWORD D3DPSHADECAPS_COLORFLATRGB = 0x00000008;
constexpr DWORD D3DPSHADECAPS_COLORGOURAUDRGB = 0x00000200;
constexpr DWORD D3DPTEXTURECAPS_POW2 = 0x00000002;
constexpr DWORD D3DPTEXTURECAPS_SQUAREONLY = 0x00000020;

struct D3DPRIMCAPS {
  DWORD dwSize;
  DWORD dwMiscCaps;
  DWORD dwRasterCaps;
  DWORD dwZCmpCaps;
  DWORD dwSrcBlendCaps;
  DWORD dwDestBlendCaps;
  DWORD dwAlphaCmpCaps;
  DWORD dwShadeCaps;
  DWORD dwTextureCaps;
  DWORD dwTextureFilterCaps;
  DWORD dwTextureBlendCaps;
  DWORD dwTextureAddressCaps;
  DWORD dwStippleWidth;
  DWORD dwStippleHeight;
};

struct D3DDEVICEDESC7 {
  DWORD dwDevCaps;
  D3DPRIMCAPS dpcLineCaps;
  D3DPRIMCAPS dpcTriCaps;
  DWORD dwDeviceRenderBitDepth;
  DWORD dwDeviceZBufferBitDepth;
  DWORD dwMinTextureWidth, dwMinTextureHeight;
  DWORD dwMaxTextureWidth, dwMaxTextureHeight;
  DWORD dwMaxTextureRepeat;
  DWORD dwMaxTextureAspectRatio;
  DWORD dwMaxAnisotropy;
  float dvGuardBandLeft, dvGuardBandTop, dvGuardBandRight, dvGuardBandBottom;
  float dvExtentsAdjust;
  DWORD dwStencilCaps;
  DWORD dwFVFCaps;
  DWORD dwTextureOpCaps;
  WORD wMaxTextureBlendStages;
  WORD wMaxSimultaneousTextures;
  DWORD dwMaxActiveLights;
  float dvMaxVertexW;
  GUID deviceGUID;
  WORD wMaxUserClipPlanes;
  WORD wMaxVertexBlendMatrices;
  DWORD dwVertexProcessingCaps;
};

// Render states, by their Direct3D 7 numbers.
enum D3DRENDERSTATETYPE : DWORD {
  D3DRENDERSTATE_ANTIALIAS = 2,
  D3DRENDERSTATE_TEXTUREPERSPECTIVE = 4,
  D3DRENDERSTATE_ZENABLE = 7,
  D3DRENDERSTATE_FILLMODE = 8,
  D3DRENDERSTATE_SHADEMODE = 9,
  D3DRENDERSTATE_ZWRITEENABLE = 14,
  D3DRENDERSTATE_ALPHATESTENABLE = 15,
  D3DRENDERSTATE_SRCBLEND = 19,
  D3DRENDERSTATE_DESTBLEND = 20,
  D3DRENDERSTATE_CULLMODE = 22,
  D3DRENDERSTATE_ZFUNC = 23,
  D3DRENDERSTATE_ALPHAREF = 24,
  D3DRENDERSTATE_ALPHAFUNC = 25,
  D3DRENDERSTATE_DITHERENABLE = 26,
  D3DRENDERSTATE_ALPHABLENDENABLE = 27,
  D3DRENDERSTATE_FOGENABLE = 28,
  D3DRENDERSTATE_SPECULARENABLE = 29,
  D3DRENDERSTATE_FOGCOLOR = 34,
  D3DRENDERSTATE_FOGTABLEMODE = 35,
  D3DRENDERSTATE_FOGSTART = 36,
  D3DRENDERSTATE_FOGEND = 37,
  D3DRENDERSTATE_FOGDENSITY = 38,
  D3DRENDERSTATE_EDGEANTIALIAS = 40,
  D3DRENDERSTATE_COLORKEYENABLE = 41,
  D3DRENDERSTATE_ZBIAS = 47,
  D3DRENDERSTATE_RANGEFOGENABLE = 48,
  D3DRENDERSTATE_STENCILENABLE = 52,
  D3DRENDERSTATE_TEXTUREFACTOR = 60,
  D3DRENDERSTATE_CLIPPING = 136,
  D3DRENDERSTATE_LIGHTING = 137,
  D3DRENDERSTATE_AMBIENT = 139,
  D3DRENDERSTATE_FOGVERTEXMODE = 140,
  D3DRENDERSTATE_COLORVERTEX = 141,
  D3DRENDERSTATE_LOCALVIEWER = 142,
  D3DRENDERSTATE_NORMALIZENORMALS = 143,
  D3DRENDERSTATE_COLORKEYBLENDENABLE = 144,
  D3DRENDERSTATE_DIFFUSEMATERIALSOURCE = 145,
  D3DRENDERSTATE_SPECULARMATERIALSOURCE = 146,
  D3DRENDERSTATE_AMBIENTMATERIALSOURCE = 147,
  D3DRENDERSTATE_EMISSIVEMATERIALSOURCE = 148,
  D3DRENDERSTATE_VERTEXBLEND = 151,
  D3DRENDERSTATE_CLIPPLANEENABLE = 152,
};
constexpr DWORD kD3DRenderStateCount = 256;

constexpr DWORD D3DZB_FALSE = 0, D3DZB_TRUE = 1, D3DZB_USEW = 2;
constexpr DWORD D3DFILL_POINT = 1, D3DFILL_WIREFRAME = 2, D3DFILL_SOLID = 3;
constexpr DWORD D3DSHADE_FLAT = 1, D3DSHADE_GOURAUD = 2;
constexpr DWORD D3DCULL_NONE = 1, D3DCULL_CW = 2, D3DCULL_CCW = 3;
constexpr DWORD D3DANTIALIAS_NONE = 0, D3DANTIALIAS_SORTDEPENDENT = 1,
                D3DANTIALIAS_SORTINDEPENDENT = 2;
constexpr DWORD D3DFOG_NONE = 0, D3DFOG_EXP = 1, D3DFOG_EXP2 = 2, D3DFOG_LINEAR = 3;
constexpr DWORD D3DVERTEXBLEND_DISABLE = 0, D3DVERTEXBLEND_1WEIGHTS = 1,
                D3DVERTEXBLEND_2WEIGHTS = 2, D3DVERTEXBLEND_3WEIGHTS = 3;
constexpr DWORD D3DMCS_MATERIAL = 0, D3DMCS_COLOR1 = 1, D3DMCS_COLOR2 = 2;
// Comparisons: value − 1 is a mask of less (1), equal (2) and greater (4).
constexpr DWORD D3DCMP_NEVER = 1, D3DCMP_LESS = 2, D3DCMP_EQUAL = 3, D3DCMP_LESSEQUAL = 4,
                D3DCMP_GREATER = 5, D3DCMP_NOTEQUAL = 6, D3DCMP_GREATEREQUAL = 7, D3DCMP_ALWAYS = 8;
constexpr DWORD D3DBLEND_ZERO = 1, D3DBLEND_ONE = 2, D3DBLEND_SRCCOLOR = 3,
                D3DBLEND_INVSRCCOLOR = 4, D3DBLEND_SRCALPHA = 5, D3DBLEND_INVSRCALPHA = 6,
                D3DBLEND_DESTALPHA = 7, D3DBLEND_INVDESTALPHA = 8, D3DBLEND_DESTCOLOR = 9,
                D3DBLEND_INVDESTCOLOR = 10;

enum D3DPRIMITIVETYPE : DWORD {
  D3DPT_POINTLIST = 1,
  D3DPT_LINELIST = 2,
  D3DPT_LINESTRIP = 3,
  D3DPT_TRIANGLELIST = 4,
  D3DPT_TRIANGLESTRIP = 5,
  D3DPT_TRIANGLEFAN = 6,
};

enum D3DTRANSFORMSTATETYPE : DWORD {
  D3DTRANSFORMSTATE_WORLD = 1,
  D3DTRANSFORMSTATE_VIEW = 2,
  D3DTRANSFORMSTATE_PROJECTION = 3,
  D3DTRANSFORMSTATE_WORLD1 = 4,
  D3DTRANSFORMSTATE_WORLD2 = 5,
  D3DTRANSFORMSTATE_WORLD3 = 6,
  D3DTRANSFORMSTATE_TEXTURE0 = 16,
  D3DTRANSFORMSTATE_TEXTURE7 = 23,
};

// Flexible vertex format bits.
constexpr DWORD D3DFVF_XYZ = 0x002;
constexpr DWORD D3DFVF_XYZRHW = 0x004;
constexpr DWORD D3DFVF_XYZB1 = 0x006;
constexpr DWORD D3DFVF_XYZB2 = 0x008;
constexpr DWORD D3DFVF_XYZB3 = 0x00A;
constexpr DWORD D3DFVF_XYZB4 = 0x00C;
constexpr DWORD D3DFVF_XYZB5 = 0x00E;
constexpr DWORD D3DFVF_POSITION_MASK = 0x00E;
constexpr DWORD D3DFVF_NORMAL = 0x010;
constexpr DWORD D3DFVF_DIFFUSE = 0x040;
constexpr DWORD D3DFVF_SPECULAR = 0x080;
constexpr DWORD D3DFVF_TEXCOUNT_MASK = 0xF00;
constexpr DWORD D3DFVF_TEXCOUNT_SHIFT = 8;
constexpr DWORD D3DFVF_TEX1 = 0x100;

constexpr DWORD D3DDP_WAIT = 0x00000001;
constexpr DWORD D3DCLEAR_TARGET = 0x00000001;
constexpr DWORD D3DCLEAR_ZBUFFER = 0x00000002;
constexpr DWORD D3DVBCAPS_SYSTEMMEMORY = 0x00000800;
constexpr DWORD D3DVBCAPS_WRITEONLY = 0x00010000;

using D3DCOLOR = DWORD;

// Texture stage states, by their Direct3D 7 numbers.
enum D3DTEXTURESTAGESTATETYPE : DWORD {
  D3DTSS_COLOROP = 1,
  D3DTSS_COLORARG1 = 2,
  D3DTSS_COLORARG2 = 3,
  D3DTSS_ALPHAOP = 4,
  D3DTSS_ALPHAARG1 = 5,
  D3DTSS_ALPHAARG2 = 6,
  D3DTSS_BUMPENVMAT00 = 7,
  D3DTSS_BUMPENVMAT01 = 8,
  D3DTSS_BUMPENVMAT10 = 9,
  D3DTSS_BUMPENVMAT11 = 10,
  D3DTSS_TEXCOORDINDEX = 11,
  D3DTSS_ADDRESS = 12,
  D3DTSS_ADDRESSU = 13,
  D3DTSS_ADDRESSV = 14,
  D3DTSS_BORDERCOLOR = 15,
  D3DTSS_MAGFILTER = 16,
  D3DTSS_MINFILTER = 17,
  D3DTSS_MIPFILTER = 18,
  D3DTSS_MIPMAPLODBIAS = 19,
  D3DTSS_MAXMIPLEVEL = 20,
  D3DTSS_MAXANISOTROPY = 21,
  D3DTSS_BUMPENVLSCALE = 22,
  D3DTSS_BUMPENVLOFFSET = 23,
  D3DTSS_TEXTURETRANSFORMFLAGS = 24,
};
constexpr DWORD kD3DTextureStageStateCount = 25;
constexpr DWORD kD3DTextureStages = 8;

enum D3DTEXTUREOP : DWORD {
  D3DTOP_DISABLE = 1,
  D3DTOP_SELECTARG1 = 2,
  D3DTOP_SELECTARG2 = 3,
  D3DTOP_MODULATE = 4,
  D3DTOP_MODULATE2X = 5,
  D3DTOP_MODULATE4X = 6,
  D3DTOP_ADD = 7,
  D3DTOP_ADDSIGNED = 8,
  D3DTOP_ADDSIGNED2X = 9,
  D3DTOP_SUBTRACT = 10,
  D3DTOP_ADDSMOOTH = 11,
  D3DTOP_BLENDDIFFUSEALPHA = 12,
  D3DTOP_BLENDTEXTUREALPHA = 13,
  D3DTOP_BLENDFACTORALPHA = 14,
  D3DTOP_BLENDTEXTUREALPHAPM = 15,
  D3DTOP_BLENDCURRENTALPHA = 16,
  D3DTOP_PREMODULATE = 17,
  D3DTOP_MODULATEALPHA_ADDCOLOR = 18,
  D3DTOP_MODULATECOLOR_ADDALPHA = 19,
  D3DTOP_MODULATEINVALPHA_ADDCOLOR = 20,
  D3DTOP_MODULATEINVCOLOR_ADDALPHA = 21,
  D3DTOP_BUMPENVMAP = 22,
  D3DTOP_BUMPENVMAPLUMINANCE = 23,
  D3DTOP_DOTPRODUCT3 = 24,
};

constexpr DWORD D3DTA_SELECTMASK = 0x0000000F;
constexpr DWORD D3DTA_DIFFUSE = 0x00000000;
constexpr DWORD D3DTA_CURRENT = 0x00000001;
constexpr DWORD D3DTA_TEXTURE = 0x00000002;
constexpr DWORD D3DTA_TFACTOR = 0x00000003;
constexpr DWORD D3DTA_SPECULAR = 0x00000004;
constexpr DWORD D3DTA_COMPLEMENT = 0x00000010;
constexpr DWORD D3DTA_ALPHAREPLICATE = 0x00000020;

constexpr DWORD D3DTADDRESS_WRAP = 1, D3DTADDRESS_MIRROR = 2, D3DTADDRESS_CLAMP = 3,
                D3DTADDRESS_BORDER = 4;
constexpr DWORD D3DTFG_POINT = 1, D3DTFG_LINEAR = 2, D3DTFG_FLATCUBIC = 3, D3DTFG_GAUSSIANCUBIC = 4,
                D3DTFG_ANISOTROPIC = 5;
constexpr DWORD D3DTFN_POINT = 1, D3DTFN_LINEAR = 2, D3DTFN_ANISOTROPIC = 3;
constexpr DWORD D3DTFP_NONE = 1, D3DTFP_POINT = 2, D3DTFP_LINEAR = 3;
constexpr DWORD D3DTSS_TCI_PASSTHRU = 0x00000000;
constexpr DWORD D3DTSS_TCI_CAMERASPACENORMAL = 0x00010000;
constexpr DWORD D3DTTFF_DISABLE = 0, D3DTTFF_COUNT1 = 1, D3DTTFF_COUNT2 = 2, D3DTTFF_COUNT3 = 3,
                D3DTTFF_COUNT4 = 4, D3DTTFF_PROJECTED = 256;

struct D3DCOLORVALUE {
  float r, g, b, a;
};

struct D3DVECTOR {
  float x, y, z;
};

enum D3DLIGHTTYPE : DWORD {
  D3DLIGHT_POINT = 1,
  D3DLIGHT_SPOT = 2,
  D3DLIGHT_DIRECTIONAL = 3,
};

struct D3DLIGHT7 {
  D3DLIGHTTYPE dltType;
  D3DCOLORVALUE dcvDiffuse;
  D3DCOLORVALUE dcvSpecular;
  D3DCOLORVALUE dcvAmbient;
  D3DVECTOR dvPosition;
  D3DVECTOR dvDirection;
  float dvRange;
  float dvFalloff;
  float dvAttenuation0;
  float dvAttenuation1;
  float dvAttenuation2;
  float dvTheta;
  float dvPhi;
};

struct D3DMATERIAL7 {
  D3DCOLORVALUE diffuse;
  D3DCOLORVALUE ambient;
  D3DCOLORVALUE specular;
  D3DCOLORVALUE emissive;
  float power;
};

// Row-vector convention: a point is transformed as v · M, translation in _41.._43.
struct D3DMATRIX {
  float _11, _12, _13, _14;
  float _21, _22, _23, _24;
  float _31, _32, _33, _34;
  float _41, _42, _43, _44;
};

struct D3DRECT {
  LONG x1, y1, x2, y2;
};

struct D3DVERTEXBUFFERDESC {
  DWORD dwSize;
  DWORD dwCaps;
  DWORD dwFVF;
  DWORD dwNumVertices;
};

struct D3DVIEWPORT7 {
  DWORD dwX;
  DWORD dwY;
  DWORD dwWidth;
  DWORD dwHeight;
  float dvMinZ;
  float dvMaxZ;
};

using LPD3DENUMDEVICESCALLBACK7 = HRESULT (*)(char* description, char* name, D3DDEVICEDESC7* desc,
                                              void* context);
using LPD3DENUMPIXELFORMATSCALLBACK = HRESULT (*)(DDPIXELFORMAT* format, void* context);

// Vertex size in bytes of a flexible vertex format, 0 when the format is unusable.
DWORD FVFVertexSize(DWORD fvf);

class IDirect3DVertexBuffer7 : public DDObject {
 public:
  HRESULT Lock(DWORD flags, void** data, DWORD* size);
  HRESULT Unlock();
  HRESULT GetVertexBufferDesc(D3DVERTEXBUFFERDESC* desc);

  // Stand-in state, read by the device.
  const BYTE* data() const { return memory_.data(); }
  DWORD fvf() const { return desc_.dwFVF; }
  DWORD vertexCount() const { return desc_.dwNumVertices; }
  bool locked() const { return locks_ > 0; }

 private:
  friend class IDirect3D7;
  D3DVERTEXBUFFERDESC desc_{};
  std::vector<BYTE> memory_;
  int locks_ = 0;
};

namespace platform::raster {
class Rasteriser;
struct DeviceState;
}  // namespace platform::raster

namespace platform {
// Lands every device's pending drawing in the surfaces' memory; DirectDraw
// calls it before it reads or writes any surface.
void FinishDrawing();
}  // namespace platform

class IDirect3DDevice7 : public DDObject {
 public:
  explicit IDirect3DDevice7(std::unique_ptr<platform::raster::Rasteriser> rasteriser);
  ~IDirect3DDevice7() override;

  HRESULT GetCaps(D3DDEVICEDESC7* desc);
  HRESULT SetViewport(D3DVIEWPORT7* viewport);
  HRESULT GetViewport(D3DVIEWPORT7* viewport);
  HRESULT BeginScene();
  HRESULT EndScene();
  HRESULT SetRenderState(D3DRENDERSTATETYPE state, DWORD value);
  HRESULT GetRenderState(D3DRENDERSTATETYPE state, DWORD* value);
  HRESULT SetTransform(D3DTRANSFORMSTATETYPE state, D3DMATRIX* matrix);
  HRESULT GetTransform(D3DTRANSFORMSTATETYPE state, D3DMATRIX* matrix);
  HRESULT SetClipPlane(DWORD index, float* plane);
  HRESULT GetClipPlane(DWORD index, float* plane);
  HRESULT SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE state, DWORD value);
  HRESULT GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE state, DWORD* value);
  // The surface is counted while bound.
  HRESULT SetTexture(DWORD stage, IDirectDrawSurface7* texture);
  // Adds a reference to the returned surface, as Direct3D does.
  HRESULT GetTexture(DWORD stage, IDirectDrawSurface7** texture);
  HRESULT PreLoad(IDirectDrawSurface7* texture);
  HRESULT EnumTextureFormats(LPD3DENUMPIXELFORMATSCALLBACK callback, void* context);
  HRESULT ValidateDevice(DWORD* passes);
  HRESULT SetMaterial(D3DMATERIAL7* material);
  HRESULT GetMaterial(D3DMATERIAL7* material);
  HRESULT SetLight(DWORD index, D3DLIGHT7* light);
  HRESULT GetLight(DWORD index, D3DLIGHT7* light);
  HRESULT LightEnable(DWORD index, BOOL enable);
  HRESULT GetLightEnable(DWORD index, BOOL* enable);
  HRESULT Clear(DWORD count, D3DRECT* rects, DWORD flags, D3DCOLOR color, float z, DWORD stencil);
  HRESULT DrawPrimitive(D3DPRIMITIVETYPE type, DWORD fvf, void* vertices, DWORD count, DWORD flags);
  HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE type, DWORD fvf, void* vertices, DWORD count,
                               WORD* indices, DWORD indexCount, DWORD flags);
  HRESULT DrawPrimitiveVB(D3DPRIMITIVETYPE type, IDirect3DVertexBuffer7* buffer, DWORD start,
                          DWORD count, DWORD flags);
  HRESULT DrawIndexedPrimitiveVB(D3DPRIMITIVETYPE type, IDirect3DVertexBuffer7* buffer, DWORD start,
                                 DWORD count, WORD* indices, DWORD indexCount, DWORD flags);

  IDirectDrawSurface7* renderTarget() const { return target_; }
  IDirectDrawSurface7* depthBuffer() const { return depth_; }
  bool inScene() const { return inScene_; }

 private:
  friend class IDirect3D7;
  HRESULT Draw(D3DPRIMITIVETYPE type, DWORD fvf, const BYTE* vertices, DWORD count,
               const WORD* indices, DWORD indexCount);
  platform::raster::DeviceState State() const;

  D3DDEVICEDESC7 desc_{};
  IDirectDrawSurface7* target_ = nullptr;  // counted
  IDirectDrawSurface7* depth_ = nullptr;   // counted
  D3DVIEWPORT7 viewport_{};
  bool inScene_ = false;
  std::array<DWORD, kD3DRenderStateCount> states_{};
  // WORLD, VIEW, PROJECTION, WORLD1..3 by their Direct3D numbers.
  std::array<D3DMATRIX, 7> transforms_{};
  std::array<std::array<float, 4>, 8> clipPlanes_{};
  std::array<D3DMATRIX, kD3DTextureStages> textureTransforms_{};
  std::array<std::array<DWORD, kD3DTextureStageStateCount>, kD3DTextureStages> stageStates_{};
  std::array<IDirectDrawSurface7*, kD3DTextureStages> textures_{};  // counted
  D3DMATERIAL7 material_{};
  std::vector<D3DLIGHT7> lights_;
  std::vector<bool> lightEnabled_;
  std::uint64_t serial_ = 0;  // counts state changes, so derived state is rebuilt only then
  std::unique_ptr<platform::raster::Rasteriser> rasteriser_;
};

class IDirect3D7 : public DDObject {
 public:
  explicit IDirect3D7(IDirectDraw7* owner);
  ~IDirect3D7() override;

  HRESULT EnumDevices(LPD3DENUMDEVICESCALLBACK7 callback, void* context);
  HRESULT EnumZBufferFormats(const GUID& device, LPD3DENUMPIXELFORMATSCALLBACK callback,
                             void* context);
  HRESULT CreateDevice(const GUID& device, IDirectDrawSurface7* target, IDirect3DDevice7** out);
  HRESULT CreateVertexBuffer(D3DVERTEXBUFFERDESC* desc, IDirect3DVertexBuffer7** out, DWORD flags);

 private:
  IDirectDraw7* owner_;  // counted
};
