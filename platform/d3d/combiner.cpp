#include "platform/d3d/combiner.h"

namespace platform::raster {
namespace {

struct Rgba {
  int c[4];  // r, g, b, a in 0..255
};

inline Rgba Split(std::uint32_t argb) {
  return Rgba{{static_cast<int>((argb >> 16) & 255), static_cast<int>((argb >> 8) & 255),
               static_cast<int>(argb & 255), static_cast<int>(argb >> 24)}};
}

inline int Sat(int v) { return v < 0 ? 0 : (v > 255 ? 255 : v); }
inline int Mul(int a, int b) { return (a * b + 127) / 255; }

// An argument with its modifiers; an unknown selector (the mask value 15
// among them) reads the current colour.
Rgba Argument(DWORD arg, const StageInputs& in) {
  std::uint32_t v;
  switch (arg & D3DTA_SELECTMASK) {
    case D3DTA_DIFFUSE:
      v = in.diffuse;
      break;
    case D3DTA_TEXTURE:
      v = in.texture;
      break;
    case D3DTA_TFACTOR:
      v = in.factor;
      break;
    case D3DTA_SPECULAR:
      v = in.specular;
      break;
    default:
      v = in.current;
      break;
  }
  Rgba r = Split(v);
  if (arg & D3DTA_COMPLEMENT)
    for (int& k : r.c) k = 255 - k;
  if (arg & D3DTA_ALPHAREPLICATE) r.c[0] = r.c[1] = r.c[2] = r.c[3];
  return r;
}

// One channel (k) of an operation on two arguments. For the alpha
// operation k is 3, where the colour-and-alpha operations act on alpha alone.
int Operate(DWORD op, const Rgba& x, const Rgba& y, int k, const StageInputs& in) {
  const int a = x.c[k], b = y.c[k];
  auto blend = [&](int alpha) { return Sat((a * alpha + b * (255 - alpha) + 127) / 255); };
  switch (op) {
    case D3DTOP_SELECTARG1:
      return a;
    case D3DTOP_SELECTARG2:
      return b;
    case D3DTOP_MODULATE:
      return Mul(a, b);
    case D3DTOP_MODULATE2X:
      return Sat(2 * Mul(a, b));
    case D3DTOP_MODULATE4X:
      return Sat(4 * Mul(a, b));
    case D3DTOP_ADD:
      return Sat(a + b);
    case D3DTOP_ADDSIGNED:
      return Sat(a + b - 128);
    case D3DTOP_ADDSIGNED2X:
      return Sat(2 * (a + b - 128));
    case D3DTOP_SUBTRACT:
      return Sat(a - b);
    case D3DTOP_ADDSMOOTH:
      return Sat(a + b - Mul(a, b));
    case D3DTOP_BLENDDIFFUSEALPHA:
      return blend(static_cast<int>(in.diffuse >> 24));
    case D3DTOP_BLENDTEXTUREALPHA:
      return blend(static_cast<int>(in.texture >> 24));
    case D3DTOP_BLENDFACTORALPHA:
      return blend(static_cast<int>(in.factor >> 24));
    case D3DTOP_BLENDCURRENTALPHA:
      return blend(static_cast<int>(in.current >> 24));
    case D3DTOP_BLENDTEXTUREALPHAPM:
      return Sat(a + Mul(b, 255 - static_cast<int>(in.texture >> 24)));
    case D3DTOP_MODULATEALPHA_ADDCOLOR:
      return k == 3 ? a : Sat(a + Mul(x.c[3], b));
    case D3DTOP_MODULATECOLOR_ADDALPHA:
      return k == 3 ? a : Sat(Mul(a, b) + x.c[3]);
    case D3DTOP_MODULATEINVALPHA_ADDCOLOR:
      return k == 3 ? a : Sat(a + Mul(255 - x.c[3], b));
    case D3DTOP_MODULATEINVCOLOR_ADDALPHA:
      return k == 3 ? a : Sat(Mul(255 - a, b) + x.c[3]);
    case D3DTOP_DOTPRODUCT3: {
      // 4·Σ(x − ½)(y − ½) on 0..1 values, in every channel.
      int dot = 0;
      for (int i = 0; i < 3; ++i) dot += (2 * x.c[i] - 255) * (2 * y.c[i] - 255);
      return Sat((dot + 127) / 255);
    }
    default:
      // PREMODULATE and the bump operations (which need a du/dv texture
      // that no offered format holds) pass the current value on.
      return Split(in.current).c[k];
  }
}

bool UsesTexture(DWORD op, DWORD a1, DWORD a2) {
  auto is = [](DWORD arg) { return (arg & D3DTA_SELECTMASK) == D3DTA_TEXTURE; };
  switch (op) {
    case D3DTOP_DISABLE:
      return false;
    case D3DTOP_SELECTARG1:
      return is(a1);
    case D3DTOP_SELECTARG2:
      return is(a2);
    case D3DTOP_BLENDTEXTUREALPHA:
    case D3DTOP_BLENDTEXTUREALPHAPM:
      return true;
    default:
      return is(a1) || is(a2);
  }
}

bool UsesSpecular(DWORD a1, DWORD a2) {
  return (a1 & D3DTA_SELECTMASK) == D3DTA_SPECULAR || (a2 & D3DTA_SELECTMASK) == D3DTA_SPECULAR;
}

}  // namespace

Combiner CompileCombiner(const RenderSettings& s) {
  Combiner k;
  // The cascade runs up to the first disabled stage.
  for (int i = 0; i < 8; ++i) {
    const DWORD* ss = s.stageStates[i];
    if (ss[D3DTSS_COLOROP] == D3DTOP_DISABLE || ss[D3DTSS_COLOROP] == 0) break;
    StageSetup& st = k.stages[i];
    st.colorOp = ss[D3DTSS_COLOROP];
    st.colorArg1 = ss[D3DTSS_COLORARG1];
    st.colorArg2 = ss[D3DTSS_COLORARG2];
    st.alphaOp = ss[D3DTSS_ALPHAOP];
    st.alphaArg1 = ss[D3DTSS_ALPHAARG1];
    st.alphaArg2 = ss[D3DTSS_ALPHAARG2];
    st.readsTexture = UsesTexture(st.colorOp, st.colorArg1, st.colorArg2) ||
                      UsesTexture(st.alphaOp, st.alphaArg1, st.alphaArg2);
    k.readsSpecular = k.readsSpecular || UsesSpecular(st.colorArg1, st.colorArg2) ||
                      UsesSpecular(st.alphaArg1, st.alphaArg2);
    st.sampler = StageSampler(ss, s.textures[i]);
    k.stageCount = i + 1;
  }
  k.textureFactor = s.textureFactor;
  k.specularAdd = s.specular;
  k.readsSpecular = k.readsSpecular || s.specular;
  // Untextured drawing that passes the diffuse colour skips the combiner.
  k.passesDiffuse = k.stageCount == 0;
  if (k.stageCount == 1 && !k.stages[0].sampler.texture && !k.readsSpecular) {
    const StageSetup& st = k.stages[0];
    auto plain = [](DWORD op, DWORD a1, DWORD a2) {
      auto diffuseOrWhite = [](DWORD a) {
        DWORD sel = a & D3DTA_SELECTMASK;
        return (a & ~D3DTA_SELECTMASK) == 0 &&
               (sel == D3DTA_TEXTURE || sel == D3DTA_CURRENT || sel == D3DTA_DIFFUSE);
      };
      if (op == D3DTOP_MODULATE) return diffuseOrWhite(a1) && diffuseOrWhite(a2);
      if (op == D3DTOP_SELECTARG1) return diffuseOrWhite(a1);
      if (op == D3DTOP_SELECTARG2) return diffuseOrWhite(a2);
      return false;
    };
    k.passesDiffuse =
        plain(st.colorOp, st.colorArg1, st.colorArg2) &&
        (st.alphaOp == D3DTOP_DISABLE || plain(st.alphaOp, st.alphaArg1, st.alphaArg2));
  }
  if (k.stageCount == 1 && !k.readsSpecular) {
    const StageSetup& st = k.stages[0];
    auto texDiffuse = [](DWORD a1, DWORD a2) {
      auto diff = [](DWORD a) { return a == D3DTA_DIFFUSE || a == D3DTA_CURRENT; };
      return (a1 == D3DTA_TEXTURE && diff(a2)) || (a2 == D3DTA_TEXTURE && diff(a1));
    };
    k.modulateOnly = st.colorOp == D3DTOP_MODULATE && st.alphaOp == D3DTOP_MODULATE &&
                     texDiffuse(st.colorArg1, st.colorArg2) &&
                     texDiffuse(st.alphaArg1, st.alphaArg2) && st.readsTexture;
  }
  return k;
}

std::uint32_t CombineStage(const StageSetup& st, const StageInputs& in) {
  const Rgba c1 = Argument(st.colorArg1, in), c2 = Argument(st.colorArg2, in);
  int out[4];
  for (int k = 0; k < 3; ++k) out[k] = Operate(st.colorOp, c1, c2, k, in);
  if (st.colorOp == D3DTOP_DOTPRODUCT3) {
    out[3] = out[0];  // the dot product goes to alpha as well
  } else if (st.alphaOp == D3DTOP_DISABLE) {
    out[3] = static_cast<int>(in.current >> 24);
  } else {
    const Rgba a1 = Argument(st.alphaArg1, in), a2 = Argument(st.alphaArg2, in);
    out[3] = Operate(st.alphaOp, a1, a2, 3, in);
  }
  return static_cast<std::uint32_t>(out[3]) << 24 | static_cast<std::uint32_t>(out[0]) << 16 |
         static_cast<std::uint32_t>(out[1]) << 8 | static_cast<std::uint32_t>(out[2]);
}

void CombineChunk(const Combiner& k, const std::uint32_t (*texels)[kChunk], const std::int32_t* sr,
                  const std::int32_t* sg, const std::int32_t* sb, Chunk& c) {
  if (k.modulateOnly) {
    // MODULATE(TEXTURE, DIFFUSE) for colour and alpha, nothing else.
    for (int i = 0; i < c.n; ++i) {
      const std::uint32_t t = texels[0][i];
      c.r[i] = Mul(c.r[i], static_cast<int>((t >> 16) & 255));
      c.g[i] = Mul(c.g[i], static_cast<int>((t >> 8) & 255));
      c.b[i] = Mul(c.b[i], static_cast<int>(t & 255));
      c.a[i] = Mul(c.a[i], static_cast<int>(t >> 24));
    }
    return;
  }
  for (int i = 0; i < c.n; ++i) {
    const std::uint32_t diffuse =
        static_cast<std::uint32_t>(c.a[i]) << 24 | static_cast<std::uint32_t>(c.r[i]) << 16 |
        static_cast<std::uint32_t>(c.g[i]) << 8 | static_cast<std::uint32_t>(c.b[i]);
    const std::uint32_t specular = k.readsSpecular
                                       ? 0xFF000000u | static_cast<std::uint32_t>(sr[i]) << 16 |
                                             static_cast<std::uint32_t>(sg[i]) << 8 |
                                             static_cast<std::uint32_t>(sb[i])
                                       : 0xFF000000u;
    StageInputs in{diffuse, diffuse, 0xFFFFFFFFu, k.textureFactor, specular};
    for (int s = 0; s < k.stageCount; ++s) {
      in.texture = k.stages[s].readsTexture ? texels[s][i] : 0xFFFFFFFFu;
      in.current = CombineStage(k.stages[s], in);
    }
    int r = static_cast<int>((in.current >> 16) & 255),
        g = static_cast<int>((in.current >> 8) & 255), b = static_cast<int>(in.current & 255);
    if (k.specularAdd) {
      r = Sat(r + sr[i]);
      g = Sat(g + sg[i]);
      b = Sat(b + sb[i]);
    }
    c.r[i] = r;
    c.g[i] = g;
    c.b[i] = b;
    c.a[i] = static_cast<std::int32_t>(in.current >> 24);
  }
}

}  // namespace platform::raster
