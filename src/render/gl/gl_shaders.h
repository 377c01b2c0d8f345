#pragma once

// The one shader program that stands in for Direct3D 8's fixed-function pipeline as the program uses it:
// transform (or pre-transformed vertices), lighting with directional, point and spot lights and the material
// colour sources, vertex or table fog, three blending stages over DIFFUSE/CURRENT/TEXTURE/TFACTOR/SPECULAR
// (a texture on each of the first two; the third only blends, as the lit colour over a two-pass material
// needs), the specular add, and the alpha test.

namespace dravo::gl_shaders {

inline constexpr const char* kVertex = R"(#version 330 core
layout(location = 0) in vec4 aPosition;
layout(location = 1) in vec3 aNormal;
layout(location = 2) in vec4 aDiffuse;
layout(location = 3) in vec4 aSpecular;
layout(location = 4) in vec2 aTex0;
layout(location = 5) in vec2 aTex1;

uniform mat4 uWorldView;
uniform mat4 uProjection;
uniform mat3 uNormalMatrix;
uniform bool uPretransformed;
uniform vec4 uViewport;
uniform bool uHasDiffuse;
uniform bool uHasSpecular;
uniform bool uLighting;
uniform bool uNormalize;
uniform bool uColorVertex;
uniform int uDiffuseSource;
uniform int uAmbientSource;
uniform int uEmissiveSource;
uniform vec4 uMaterialDiffuse;
uniform vec4 uMaterialAmbient;
uniform vec4 uMaterialEmissive;
uniform vec4 uAmbient;
uniform int uLightCount;
uniform int uLightType[8];
uniform vec3 uLightPosition[8];
uniform vec3 uLightDirection[8];
uniform vec4 uLightDiffuse[8];
uniform vec4 uLightAmbient[8];
uniform float uLightRange[8];
uniform vec3 uLightAttenuation[8];
uniform vec3 uLightSpot[8];
uniform int uFogVertexMode;
uniform bool uFogRange;
uniform vec3 uFog;
uniform int uTexCoordIndex0;
uniform int uTexCoordIndex1;

out vec4 vDiffuse;
out vec4 vSpecular;
out vec2 vTex0;
out vec2 vTex1;
out float vFog;
out float vFogDistance;

vec4 materialSource(int which, vec4 material) {
  if (!uColorVertex) return material;
  if (which == 1 && uHasDiffuse) return aDiffuse;
  if (which == 2 && uHasSpecular) return aSpecular;
  return material;
}

float fogFactor(int mode, float d) {
  if (mode == 3) return uFog.y == uFog.x ? 1.0 : (uFog.y - d) / (uFog.y - uFog.x);
  if (mode == 1) return exp(-uFog.z * d);
  if (mode == 2) return exp(-(uFog.z * d) * (uFog.z * d));
  return 1.0;
}

void main() {
  vTex0 = uTexCoordIndex0 == 1 ? aTex1 : aTex0;
  vTex1 = uTexCoordIndex1 == 1 ? aTex1 : aTex0;
  vFog = 1.0;
  vFogDistance = 0.0;
  vDiffuse = uHasDiffuse ? aDiffuse : vec4(1.0);
  vSpecular = uHasSpecular ? aSpecular : vec4(0.0);
  if (uPretransformed) {
    // Screen pixels back to the viewport's clip space; w keeps texturing perspective-correct.
    float w = aPosition.w != 0.0 ? 1.0 / aPosition.w : 1.0;
    vec2 ndc = vec2((aPosition.x - uViewport.x) / uViewport.z * 2.0 - 1.0,
                    1.0 - (aPosition.y - uViewport.y) / uViewport.w * 2.0);
    gl_Position = vec4(ndc * w, (aPosition.z * 2.0 - 1.0) * w, w);
    return;
  }
  vec4 eye = uWorldView * vec4(aPosition.xyz, 1.0);
  vec4 clip = uProjection * eye;
  // Direct3D clips z to [0, w]; OpenGL to [-w, w].
  gl_Position = vec4(clip.xy, clip.z * 2.0 - clip.w, clip.w);
  vFogDistance = uFogRange ? length(eye.xyz) : abs(eye.z);
  vFog = clamp(fogFactor(uFogVertexMode, vFogDistance), 0.0, 1.0);
  if (!uLighting) return;

  vec3 n = uNormalMatrix * aNormal;
  if (uNormalize && dot(n, n) > 0.0) n = normalize(n);
  vec4 md = materialSource(uDiffuseSource, uMaterialDiffuse);
  vec4 ma = materialSource(uAmbientSource, uMaterialAmbient);
  vec4 me = materialSource(uEmissiveSource, uMaterialEmissive);
  vec3 ambient = uAmbient.rgb;
  vec3 diffuse = vec3(0.0);
  for (int i = 0; i < uLightCount; ++i) {
    vec3 l;
    float att = 1.0;
    if (uLightType[i] == 3) {
      l = -uLightDirection[i];
    } else {
      vec3 d = uLightPosition[i] - eye.xyz;
      float dist = length(d);
      if (dist > uLightRange[i]) continue;
      l = dist > 0.0 ? d / dist : vec3(0.0);
      vec3 k = uLightAttenuation[i];
      float denom = k.x + k.y * dist + k.z * dist * dist;
      att = denom > 0.0 ? 1.0 / denom : 1.0;
      if (uLightType[i] == 2) {
        float rho = dot(-l, uLightDirection[i]);
        vec3 s = uLightSpot[i];
        if (rho <= s.y)
          att = 0.0;
        else if (rho < s.x)
          att *= pow((rho - s.y) / (s.x - s.y), s.z);
      }
    }
    ambient += uLightAmbient[i].rgb * att;
    diffuse += uLightDiffuse[i].rgb * max(dot(n, l), 0.0) * att;
  }
  vDiffuse = clamp(vec4(me.rgb + ma.rgb * ambient + md.rgb * diffuse, md.a), 0.0, 1.0);
  vSpecular = vec4(0.0);
}
)";

inline constexpr const char* kFragment = R"(#version 330 core
in vec4 vDiffuse;
in vec4 vSpecular;
in vec2 vTex0;
in vec2 vTex1;
in float vFog;
in float vFogDistance;
out vec4 fragColor;

uniform sampler2D uTexture0;
uniform sampler2D uTexture1;
uniform bool uHasTexture0;
uniform bool uHasTexture1;
uniform int uColorOp[3];
uniform int uColorArg1[3];
uniform int uColorArg2[3];
uniform int uAlphaOp[3];
uniform int uAlphaArg1[3];
uniform int uAlphaArg2[3];
uniform vec4 uTextureFactor;
uniform bool uSpecularEnable;
uniform bool uAlphaTest;
uniform int uAlphaFunc;
uniform int uAlphaRef;
uniform bool uFogEnable;
uniform int uFogTableMode;
uniform vec3 uFog;
uniform vec4 uFogColor;

vec4 argument(int a, vec4 texel, vec4 current) {
  int which = a & 15;
  vec4 v = vec4(0.0);
  if (which == 0) v = vDiffuse;
  else if (which == 1) v = current;
  else if (which == 2) v = texel;
  else if (which == 3) v = uTextureFactor;
  else if (which == 4) v = vSpecular;
  if ((a & 16) != 0) v = vec4(1.0) - v;
  if ((a & 32) != 0) v = vec4(v.a);
  return v;
}

vec4 operate(int op, vec4 a1, vec4 a2, vec4 texel, vec4 current) {
  if (op == 2) return a1;
  if (op == 3) return a2;
  if (op == 4) return a1 * a2;
  if (op == 5) return a1 * a2 * 2.0;
  if (op == 6) return a1 * a2 * 4.0;
  if (op == 7) return a1 + a2;
  if (op == 8) return a1 + a2 - 0.5;
  if (op == 9) return (a1 + a2 - 0.5) * 2.0;
  if (op == 10) return a1 - a2;
  if (op == 11) return a1 + a2 - a1 * a2;
  if (op == 12) return mix(a2, a1, vDiffuse.a);
  if (op == 13) return mix(a2, a1, texel.a);
  if (op == 14) return mix(a2, a1, uTextureFactor.a);
  if (op == 15) return a1 + a2 * (1.0 - texel.a);
  if (op == 16) return mix(a2, a1, current.a);
  if (op == 18) return vec4(a1.rgb + a1.a * a2.rgb, a1.a);
  if (op == 19) return vec4(a1.rgb * a2.rgb + a1.a, a1.a);
  if (op == 20) return vec4((1.0 - a1.a) * a2.rgb + a1.rgb, a1.a);
  if (op == 21) return vec4((1.0 - a1.rgb) * a2.rgb + a1.a, a1.a);
  if (op == 24) return vec4(clamp(4.0 * dot(a1.rgb - 0.5, a2.rgb - 0.5), 0.0, 1.0));
  return a1 * a2;
}

bool passes(int func, int value, int reference) {
  if (func == 1) return false;
  if (func == 2) return value < reference;
  if (func == 3) return value == reference;
  if (func == 4) return value <= reference;
  if (func == 5) return value > reference;
  if (func == 6) return value != reference;
  if (func == 7) return value >= reference;
  return true;
}

float fogFactor(int mode, float d) {
  if (mode == 3) return uFog.y == uFog.x ? 1.0 : (uFog.y - d) / (uFog.y - uFog.x);
  if (mode == 1) return exp(-uFog.z * d);
  if (mode == 2) return exp(-(uFog.z * d) * (uFog.z * d));
  return 1.0;
}

void main() {
  vec4 current = vDiffuse;
  for (int s = 0; s < 3; ++s) {
    if (uColorOp[s] == 1) break;
    vec4 texel = vec4(1.0);
    if (s == 0 && uHasTexture0) texel = texture(uTexture0, vTex0);
    if (s == 1 && uHasTexture1) texel = texture(uTexture1, vTex1);
    vec4 colour = operate(uColorOp[s], argument(uColorArg1[s], texel, current),
                          argument(uColorArg2[s], texel, current), texel, current);
    float alpha = current.a;
    if (uAlphaOp[s] != 1)
      alpha = operate(uAlphaOp[s], argument(uAlphaArg1[s], texel, current),
                      argument(uAlphaArg2[s], texel, current), texel, current).a;
    current = clamp(vec4(colour.rgb, alpha), 0.0, 1.0);
  }
  if (uSpecularEnable) current.rgb = min(current.rgb + vSpecular.rgb, vec3(1.0));
  if (uAlphaTest && !passes(uAlphaFunc, int(round(current.a * 255.0)), uAlphaRef)) discard;
  if (uFogEnable) {
    float f = uFogTableMode != 0 ? clamp(fogFactor(uFogTableMode, vFogDistance), 0.0, 1.0) : vFog;
    current.rgb = mix(uFogColor.rgb, current.rgb, f);
  }
  fragColor = current;
}
)";

}  // namespace dravo::gl_shaders
