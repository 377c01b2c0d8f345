// The device's state put into OpenGL before each draw, one state group at a time.
#include <algorithm>
#include <bit>
#include <cmath>

#include "render/d3dx_surface.h"
#include "render/gl/gl_internal.h"

namespace dravo {

namespace {

GLenum CompareFunc(DWORD f) {
  switch (f) {
    case D3DCMP_NEVER:
      return GL_NEVER;
    case D3DCMP_LESS:
      return GL_LESS;
    case D3DCMP_EQUAL:
      return GL_EQUAL;
    case D3DCMP_LESSEQUAL:
      return GL_LEQUAL;
    case D3DCMP_GREATER:
      return GL_GREATER;
    case D3DCMP_NOTEQUAL:
      return GL_NOTEQUAL;
    case D3DCMP_GREATEREQUAL:
      return GL_GEQUAL;
    default:
      return GL_ALWAYS;
  }
}

GLenum BlendFactor(DWORD b) {
  switch (b) {
    case D3DBLEND_ZERO:
      return GL_ZERO;
    case D3DBLEND_ONE:
      return GL_ONE;
    case D3DBLEND_SRCCOLOR:
      return GL_SRC_COLOR;
    case D3DBLEND_INVSRCCOLOR:
      return GL_ONE_MINUS_SRC_COLOR;
    case D3DBLEND_SRCALPHA:
      return GL_SRC_ALPHA;
    case D3DBLEND_INVSRCALPHA:
      return GL_ONE_MINUS_SRC_ALPHA;
    case D3DBLEND_DESTALPHA:
      return GL_DST_ALPHA;
    case D3DBLEND_INVDESTALPHA:
      return GL_ONE_MINUS_DST_ALPHA;
    case D3DBLEND_DESTCOLOR:
      return GL_DST_COLOR;
    case D3DBLEND_INVDESTCOLOR:
      return GL_ONE_MINUS_DST_COLOR;
    case D3DBLEND_SRCALPHASAT:
      return GL_SRC_ALPHA_SATURATE;
    default:
      return GL_ONE;
  }
}

GLenum BlendEquation(DWORD op) {
  switch (op) {
    case D3DBLENDOP_SUBTRACT:
      return GL_FUNC_SUBTRACT;
    case D3DBLENDOP_REVSUBTRACT:
      return GL_FUNC_REVERSE_SUBTRACT;
    case D3DBLENDOP_MIN:
      return GL_MIN;
    case D3DBLENDOP_MAX:
      return GL_MAX;
    default:
      return GL_FUNC_ADD;
  }
}

GLint AddressMode(DWORD a) {
  switch (a) {
    case D3DTADDRESS_MIRROR:
    case D3DTADDRESS_MIRRORONCE:
      return GL_MIRRORED_REPEAT;
    case D3DTADDRESS_CLAMP:
      return GL_CLAMP_TO_EDGE;
    case D3DTADDRESS_BORDER:
      return GL_CLAMP_TO_BORDER;
    default:
      return GL_REPEAT;
  }
}

float AsFloat(DWORD bits) {
  return std::bit_cast<float>(bits);
}

// Inverse of the upper 3x3 of a matrix, row by row; the identity when it has none.
void Inverse3x3(const D3DMATRIX& m, float out[9]) {
  const float a = m.m[0][0], b = m.m[0][1], c = m.m[0][2];
  const float d = m.m[1][0], e = m.m[1][1], f = m.m[1][2];
  const float g = m.m[2][0], h = m.m[2][1], i = m.m[2][2];
  const float det = a * (e * i - f * h) - b * (d * i - f * g) + c * (d * h - e * g);
  if (std::fabs(det) < 1e-20f) {
    const float identity[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    std::copy(identity, identity + 9, out);
    return;
  }
  const float s = 1.0f / det;
  const float r[9] = {(e * i - f * h) * s, (c * h - b * i) * s, (b * f - c * e) * s,
                      (f * g - d * i) * s, (a * i - c * g) * s, (c * d - a * f) * s,
                      (d * h - e * g) * s, (b * g - a * h) * s, (a * e - b * d) * s};
  std::copy(r, r + 9, out);
}

GLint MinFilter(DWORD min, DWORD mip) {
  const bool linear = min == D3DTEXF_LINEAR || min == D3DTEXF_ANISOTROPIC;
  if (mip == D3DTEXF_POINT) return linear ? GL_LINEAR_MIPMAP_NEAREST : GL_NEAREST_MIPMAP_NEAREST;
  if (mip == D3DTEXF_LINEAR) return linear ? GL_LINEAR_MIPMAP_LINEAR : GL_NEAREST_MIPMAP_LINEAR;
  return linear ? GL_LINEAR : GL_NEAREST;
}

GLenum StencilOp(DWORD op) {
  switch (op) {
    case D3DSTENCILOP_ZERO:
      return GL_ZERO;
    case D3DSTENCILOP_REPLACE:
      return GL_REPLACE;
    case D3DSTENCILOP_INCRSAT:
      return GL_INCR;
    case D3DSTENCILOP_DECRSAT:
      return GL_DECR;
    case D3DSTENCILOP_INVERT:
      return GL_INVERT;
    case D3DSTENCILOP_INCR:
      return GL_INCR_WRAP;
    case D3DSTENCILOP_DECR:
      return GL_DECR_WRAP;
    default:
      return GL_KEEP;
  }
}

void Uniform4(GLint location, const D3DCOLORVALUE& c) {
  glUniform4f(location, c.r, c.g, c.b, c.a);
}

void UniformColour(GLint location, D3DCOLOR colour) {
  float c[4];
  ColourToFloats(colour, c);
  glUniform4fv(location, 1, c);
}

void UploadTexture(GlShared& s, GlTexture& t) {
  if (!t.name) glGenTextures(1, &t.name);
  glBindTexture(GL_TEXTURE_2D, t.name);
  if (!t.dirty) return;
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
  const D3DFORMAT format = t.Format();
  GLint swizzle[4] = {GL_RED, GL_GREEN, GL_BLUE, GL_ALPHA};
  const UINT levels = t.GetLevelCount();
  for (UINT level = 0; level < levels; ++level) {
    const SurfaceMemory& m = t.Level(level);
    const auto w = static_cast<GLsizei>(m.desc.Width), h = static_cast<GLsizei>(m.desc.Height);
    const auto lvl = static_cast<GLint>(level);
    const BYTE* data = m.bytes.data();
    auto asArgb = [&] {
      std::vector<D3DCOLOR> pixels(static_cast<size_t>(m.desc.Width) * m.desc.Height);
      DecodePixels(data, m.pitch, format, m.desc.Width, m.desc.Height, nullptr, pixels.data());
      glTexImage2D(GL_TEXTURE_2D, lvl, GL_RGBA8, w, h, 0, GL_BGRA, GL_UNSIGNED_BYTE, pixels.data());
    };
    switch (format) {
      case D3DFMT_DXT1:
      case D3DFMT_DXT2:
      case D3DFMT_DXT3:
      case D3DFMT_DXT4:
      case D3DFMT_DXT5:
        if (s.s3tc) {
          const GLenum internal = format == D3DFMT_DXT1 ? GL_COMPRESSED_RGBA_S3TC_DXT1_EXT
                                  : format == D3DFMT_DXT2 || format == D3DFMT_DXT3
                                      ? GL_COMPRESSED_RGBA_S3TC_DXT3_EXT
                                      : GL_COMPRESSED_RGBA_S3TC_DXT5_EXT;
          glCompressedTexImage2D(GL_TEXTURE_2D, lvl, internal, w, h, 0, static_cast<GLsizei>(m.bytes.size()),
                                 data);
        } else {
          asArgb();
        }
        break;
      case D3DFMT_A8R8G8B8:
      case D3DFMT_X8R8G8B8:
        glTexImage2D(GL_TEXTURE_2D, lvl, GL_RGBA8, w, h, 0, GL_BGRA, GL_UNSIGNED_BYTE, data);
        break;
      case D3DFMT_R5G6B5:
        glTexImage2D(GL_TEXTURE_2D, lvl, GL_RGB8, w, h, 0, GL_RGB, GL_UNSIGNED_SHORT_5_6_5, data);
        break;
      case D3DFMT_X1R5G5B5:
      case D3DFMT_A1R5G5B5:
        glTexImage2D(GL_TEXTURE_2D, lvl, GL_RGB5_A1, w, h, 0, GL_BGRA, GL_UNSIGNED_SHORT_1_5_5_5_REV, data);
        break;
      case D3DFMT_A4R4G4B4:
      case D3DFMT_X4R4G4B4:
        glTexImage2D(GL_TEXTURE_2D, lvl, GL_RGBA4, w, h, 0, GL_BGRA, GL_UNSIGNED_SHORT_4_4_4_4_REV, data);
        break;
      case D3DFMT_A8:
        glTexImage2D(GL_TEXTURE_2D, lvl, GL_R8, w, h, 0, GL_RED, GL_UNSIGNED_BYTE, data);
        swizzle[0] = swizzle[1] = swizzle[2] = GL_ZERO;
        swizzle[3] = GL_RED;
        break;
      case D3DFMT_L8:
        glTexImage2D(GL_TEXTURE_2D, lvl, GL_R8, w, h, 0, GL_RED, GL_UNSIGNED_BYTE, data);
        swizzle[0] = swizzle[1] = swizzle[2] = GL_RED;
        swizzle[3] = GL_ONE;
        break;
      case D3DFMT_A8L8:
        glTexImage2D(GL_TEXTURE_2D, lvl, GL_RG8, w, h, 0, GL_RG, GL_UNSIGNED_BYTE, data);
        swizzle[0] = swizzle[1] = swizzle[2] = GL_RED;
        swizzle[3] = GL_GREEN;
        break;
      default:
        asArgb();
        break;
    }
  }
  // Formats without alpha read as opaque whatever their spare bits hold.
  if (format == D3DFMT_X8R8G8B8 || format == D3DFMT_X1R5G5B5 || format == D3DFMT_X4R4G4B4)
    swizzle[3] = GL_ONE;
  glTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_SWIZZLE_RGBA, swizzle);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_BASE_LEVEL, 0);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, static_cast<GLint>(levels - 1));
  t.dirty = false;
}

}  // namespace

void GlDevice::ApplyState() {
  ApplyTarget();
  ApplyRasterStates();
  glUseProgram(m_impl->program);
  ApplyTransformsAndMaterial();
  ApplyLights();
  ApplyFog();
  ApplyTextureStages();
  BindTextures();
}

void GlDevice::ApplyTarget() {
  const GlShared& s = *m_impl->shared;
  glBindFramebuffer(GL_FRAMEBUFFER, s.framebuffer);
  glDisable(GL_DITHER);
  const D3DVIEWPORT8& v = Viewport();
  glViewport(static_cast<GLint>(v.X), static_cast<GLint>(s.height) - static_cast<GLint>(v.Y + v.Height),
             static_cast<GLsizei>(v.Width), static_cast<GLsizei>(v.Height));
  glDepthRange(v.MinZ, v.MaxZ);
  glDisable(GL_SCISSOR_TEST);
}

void GlDevice::ApplyRasterStates() {
  const GlShared& s = *m_impl->shared;
  auto rs = [this](D3DRENDERSTATETYPE state) { return RenderState(state); };
  const bool zTest = rs(D3DRS_ZENABLE) != D3DZB_FALSE && s.hasDepth;
  if (zTest) {
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(CompareFunc(rs(D3DRS_ZFUNC)));
  } else {
    glDisable(GL_DEPTH_TEST);
  }
  glDepthMask(zTest && rs(D3DRS_ZWRITEENABLE) ? GL_TRUE : GL_FALSE);

  if (rs(D3DRS_ALPHABLENDENABLE)) {
    glEnable(GL_BLEND);
    DWORD src = rs(D3DRS_SRCBLEND), dst = rs(D3DRS_DESTBLEND);
    if (src == D3DBLEND_BOTHSRCALPHA) {
      src = D3DBLEND_SRCALPHA;
      dst = D3DBLEND_INVSRCALPHA;
    } else if (src == D3DBLEND_BOTHINVSRCALPHA) {
      src = D3DBLEND_INVSRCALPHA;
      dst = D3DBLEND_SRCALPHA;
    }
    glBlendFunc(BlendFactor(src), BlendFactor(dst));
    glBlendEquation(BlendEquation(rs(D3DRS_BLENDOP)));
  } else {
    glDisable(GL_BLEND);
  }

  // Both name the winding as it looks on the screen: Direct3D's counter-clockwise faces are OpenGL's front
  // faces.
  switch (rs(D3DRS_CULLMODE)) {
    case D3DCULL_CW:
      glEnable(GL_CULL_FACE);
      glFrontFace(GL_CCW);
      glCullFace(GL_BACK);
      break;
    case D3DCULL_CCW:
      glEnable(GL_CULL_FACE);
      glFrontFace(GL_CCW);
      glCullFace(GL_FRONT);
      break;
    default:
      glDisable(GL_CULL_FACE);
      break;
  }
  const DWORD fill = rs(D3DRS_FILLMODE);
  glPolygonMode(GL_FRONT_AND_BACK, fill == D3DFILL_WIREFRAME ? GL_LINE
                                   : fill == D3DFILL_POINT   ? GL_POINT
                                                             : GL_FILL);
  const DWORD write = rs(D3DRS_COLORWRITEENABLE);
  glColorMask(write & 1 ? GL_TRUE : GL_FALSE, write & 2 ? GL_TRUE : GL_FALSE, write & 4 ? GL_TRUE : GL_FALSE,
              write & 8 ? GL_TRUE : GL_FALSE);
  if (rs(D3DRS_STENCILENABLE) && s.hasStencil) {
    glEnable(GL_STENCIL_TEST);
    glStencilFunc(CompareFunc(rs(D3DRS_STENCILFUNC)), static_cast<GLint>(rs(D3DRS_STENCILREF)),
                  rs(D3DRS_STENCILMASK));
    glStencilOp(StencilOp(rs(D3DRS_STENCILFAIL)), StencilOp(rs(D3DRS_STENCILZFAIL)),
                StencilOp(rs(D3DRS_STENCILPASS)));
    glStencilMask(rs(D3DRS_STENCILWRITEMASK));
  } else {
    glDisable(GL_STENCIL_TEST);
  }
}

void GlDevice::ApplyTransformsAndMaterial() {
  const Impl& d = *m_impl;
  auto rs = [this](D3DRENDERSTATETYPE state) { return RenderState(state); };
  const D3DVIEWPORT8& v = Viewport();
  const VertexLayout layout = LayoutOf(VertexShader());
  const D3DMATRIX& view = Transform(D3DTS_VIEW);
  const D3DMATRIX worldView = Transform(D3DTS_WORLD) * view;
  glUniformMatrix4fv(d.at(Impl::WorldView), 1, GL_FALSE, &worldView.m[0][0]);
  glUniformMatrix4fv(d.at(Impl::Projection), 1, GL_FALSE, &Transform(D3DTS_PROJECTION).m[0][0]);
  float normal[9];
  Inverse3x3(worldView, normal);
  glUniformMatrix3fv(d.at(Impl::NormalMatrix), 1, GL_TRUE, normal);
  glUniform1i(d.at(Impl::Pretransformed), layout.pretransformed);
  glUniform4f(d.at(Impl::ViewportRect), static_cast<float>(v.X), static_cast<float>(v.Y),
              static_cast<float>(v.Width), static_cast<float>(v.Height));
  glUniform1i(d.at(Impl::HasDiffuse), layout.diffuse >= 0);
  glUniform1i(d.at(Impl::HasSpecular), layout.specular >= 0);
  glUniform1i(d.at(Impl::Lighting), rs(D3DRS_LIGHTING) && !layout.pretransformed);
  glUniform1i(d.at(Impl::NormalizeNormals), rs(D3DRS_NORMALIZENORMALS) != 0);
  glUniform1i(d.at(Impl::ColorVertex), rs(D3DRS_COLORVERTEX) != 0);
  glUniform1i(d.at(Impl::DiffuseSource), static_cast<GLint>(rs(D3DRS_DIFFUSEMATERIALSOURCE)));
  glUniform1i(d.at(Impl::AmbientSource), static_cast<GLint>(rs(D3DRS_AMBIENTMATERIALSOURCE)));
  glUniform1i(d.at(Impl::EmissiveSource), static_cast<GLint>(rs(D3DRS_EMISSIVEMATERIALSOURCE)));
  Uniform4(d.at(Impl::MaterialDiffuse), Material().Diffuse);
  Uniform4(d.at(Impl::MaterialAmbient), Material().Ambient);
  Uniform4(d.at(Impl::MaterialEmissive), Material().Emissive);
  UniformColour(d.at(Impl::Ambient), rs(D3DRS_AMBIENT));
}

void GlDevice::ApplyLights() {
  const Impl& d = *m_impl;
  const D3DMATRIX& view = Transform(D3DTS_VIEW);
  // Lights are given in world space; the shader lights in view space.
  GLint types[8] = {};
  float positions[24] = {}, directions[24] = {}, diffuse[32] = {}, ambient[32] = {}, ranges[8] = {},
        attenuation[24] = {}, spot[24] = {};
  int count = 0;
  for (const auto& [index, light] : Lights()) {
    if (count == 8) break;
    if (!IsLightEnabled(index)) continue;
    types[count] = static_cast<GLint>(light.Type);
    const Vector3 p = TransformCoord(light.Position, view);
    const Vector3 dir = Normalize(TransformNormal(light.Direction, view));
    const float pv[3] = {p.x, p.y, p.z}, dv[3] = {dir.x, dir.y, dir.z};
    std::copy(pv, pv + 3, positions + 3 * count);
    std::copy(dv, dv + 3, directions + 3 * count);
    const float dc[4] = {light.Diffuse.r, light.Diffuse.g, light.Diffuse.b, light.Diffuse.a};
    const float ac[4] = {light.Ambient.r, light.Ambient.g, light.Ambient.b, light.Ambient.a};
    std::copy(dc, dc + 4, diffuse + 4 * count);
    std::copy(ac, ac + 4, ambient + 4 * count);
    ranges[count] = light.Range;
    const float at[3] = {light.Attenuation0, light.Attenuation1, light.Attenuation2};
    std::copy(at, at + 3, attenuation + 3 * count);
    const float sp[3] = {std::cos(light.Theta / 2), std::cos(light.Phi / 2), light.Falloff};
    std::copy(sp, sp + 3, spot + 3 * count);
    ++count;
  }
  glUniform1i(d.at(Impl::LightCount), count);
  glUniform1iv(d.at(Impl::LightType), 8, types);
  glUniform3fv(d.at(Impl::LightPosition), 8, positions);
  glUniform3fv(d.at(Impl::LightDirection), 8, directions);
  glUniform4fv(d.at(Impl::LightDiffuse), 8, diffuse);
  glUniform4fv(d.at(Impl::LightAmbient), 8, ambient);
  glUniform1fv(d.at(Impl::LightRange), 8, ranges);
  glUniform3fv(d.at(Impl::LightAttenuation), 8, attenuation);
  glUniform3fv(d.at(Impl::LightSpot), 8, spot);
}

void GlDevice::ApplyFog() {
  const Impl& d = *m_impl;
  auto rs = [this](D3DRENDERSTATETYPE state) { return RenderState(state); };
  const bool fog = rs(D3DRS_FOGENABLE) != 0;
  glUniform1i(d.at(Impl::FogEnable), fog);
  glUniform1i(d.at(Impl::FogVertexMode), fog ? static_cast<GLint>(rs(D3DRS_FOGVERTEXMODE)) : 0);
  glUniform1i(d.at(Impl::FogTableMode), fog ? static_cast<GLint>(rs(D3DRS_FOGTABLEMODE)) : 0);
  glUniform1i(d.at(Impl::FogRange), rs(D3DRS_RANGEFOGENABLE) != 0);
  glUniform3f(d.at(Impl::Fog), AsFloat(rs(D3DRS_FOGSTART)), AsFloat(rs(D3DRS_FOGEND)),
              AsFloat(rs(D3DRS_FOGDENSITY)));
  UniformColour(d.at(Impl::FogColor), rs(D3DRS_FOGCOLOR));
}

void GlDevice::ApplyTextureStages() {
  const Impl& d = *m_impl;
  auto rs = [this](D3DRENDERSTATETYPE state) { return RenderState(state); };
  GLint colorOp[3], colorArg1[3], colorArg2[3], alphaOp[3], alphaArg1[3], alphaArg2[3];
  for (DWORD stage = 0; stage < 3; ++stage) {
    colorOp[stage] = static_cast<GLint>(StageState(stage, D3DTSS_COLOROP));
    colorArg1[stage] = static_cast<GLint>(StageState(stage, D3DTSS_COLORARG1));
    colorArg2[stage] = static_cast<GLint>(StageState(stage, D3DTSS_COLORARG2));
    alphaOp[stage] = static_cast<GLint>(StageState(stage, D3DTSS_ALPHAOP));
    alphaArg1[stage] = static_cast<GLint>(StageState(stage, D3DTSS_ALPHAARG1));
    alphaArg2[stage] = static_cast<GLint>(StageState(stage, D3DTSS_ALPHAARG2));
  }
  glUniform1iv(d.at(Impl::ColorOp), 3, colorOp);
  glUniform1iv(d.at(Impl::ColorArg1), 3, colorArg1);
  glUniform1iv(d.at(Impl::ColorArg2), 3, colorArg2);
  glUniform1iv(d.at(Impl::AlphaOp), 3, alphaOp);
  glUniform1iv(d.at(Impl::AlphaArg1), 3, alphaArg1);
  glUniform1iv(d.at(Impl::AlphaArg2), 3, alphaArg2);
  glUniform1i(d.at(Impl::TexCoordIndex0), static_cast<GLint>(StageState(0, D3DTSS_TEXCOORDINDEX) & 0xFFFF));
  glUniform1i(d.at(Impl::TexCoordIndex1), static_cast<GLint>(StageState(1, D3DTSS_TEXCOORDINDEX) & 0xFFFF));
  UniformColour(d.at(Impl::TextureFactor), rs(D3DRS_TEXTUREFACTOR));
  glUniform1i(d.at(Impl::SpecularEnable), rs(D3DRS_SPECULARENABLE) != 0);
  glUniform1i(d.at(Impl::AlphaTest), rs(D3DRS_ALPHATESTENABLE) != 0);
  glUniform1i(d.at(Impl::AlphaFunc), static_cast<GLint>(rs(D3DRS_ALPHAFUNC)));
  glUniform1i(d.at(Impl::AlphaRef), static_cast<GLint>(rs(D3DRS_ALPHAREF) & 0xFF));
}

void GlDevice::BindTextures() {
  Impl& d = *m_impl;
  GlShared& s = *d.shared;
  for (DWORD stage = 0; stage < 2; ++stage) {
    auto* texture = dynamic_cast<GlTexture*>(BoundTexture(stage));
    // A texture of another device has no name in this context.
    if (texture && texture->shared != d.shared) texture = nullptr;
    glUniform1i(d.at(stage == 0 ? Impl::HasTexture0 : Impl::HasTexture1), texture != nullptr);
    glActiveTexture(GL_TEXTURE0 + stage);
    if (!texture) {
      glBindTexture(GL_TEXTURE_2D, 0);
      continue;
    }
    UploadTexture(s, *texture);
    const auto top = static_cast<GLint>(
        std::min<DWORD>(StageState(stage, D3DTSS_MAXMIPLEVEL), texture->GetLevelCount() - 1));
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_BASE_LEVEL, top);
    const GLuint sampler = d.samplers[stage];
    glBindSampler(stage, sampler);
    const bool magLinear = StageState(stage, D3DTSS_MAGFILTER) == D3DTEXF_LINEAR ||
                           StageState(stage, D3DTSS_MAGFILTER) == D3DTEXF_ANISOTROPIC;
    glSamplerParameteri(sampler, GL_TEXTURE_MAG_FILTER, magLinear ? GL_LINEAR : GL_NEAREST);
    glSamplerParameteri(sampler, GL_TEXTURE_MIN_FILTER,
                        MinFilter(StageState(stage, D3DTSS_MINFILTER), StageState(stage, D3DTSS_MIPFILTER)));
    glSamplerParameteri(sampler, GL_TEXTURE_WRAP_S, AddressMode(StageState(stage, D3DTSS_ADDRESSU)));
    glSamplerParameteri(sampler, GL_TEXTURE_WRAP_T, AddressMode(StageState(stage, D3DTSS_ADDRESSV)));
    float border[4];
    ColourToFloats(StageState(stage, D3DTSS_BORDERCOLOR), border);
    glSamplerParameterfv(sampler, GL_TEXTURE_BORDER_COLOR, border);
  }
  glActiveTexture(GL_TEXTURE0);
}

}  // namespace dravo
