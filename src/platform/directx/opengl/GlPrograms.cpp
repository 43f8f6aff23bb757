#include "platform/directx/opengl/GlPrograms.h"

#include <vector>

#include "platform/directx/DirectX.h"

namespace dx::opengl {

namespace {

// Constants the shaders share with the C++ side, so the numbers are written once.
std::string Header(uint32_t features) {
  std::string s = "#version 330 core\n";
  auto define = [&](const char* name, long value) {
    s += "#define ";
    s += name;
    s += " ";
    s += std::to_string(value);
    s += "\n";
  };
  define("MAX_LIGHTS", kMaxLights);
  define("LIGHT_VECTORS", kLightVectors);
  define("LIGHT_POINT", D3DLIGHT_POINT);
  define("LIGHT_SPOT", D3DLIGHT_SPOT);
  define("LIGHT_DIRECTIONAL", D3DLIGHT_DIRECTIONAL);
  define("LIGHT_PARALLELPOINT", D3DLIGHT_PARALLELPOINT);
  define("OP_SELECTARG1", D3DTOP_SELECTARG1);
  define("OP_SELECTARG2", D3DTOP_SELECTARG2);
  define("OP_MODULATE", D3DTOP_MODULATE);
  define("ARG_DIFFUSE", D3DTA_DIFFUSE);
  define("ARG_TEXTURE", D3DTA_TEXTURE);
  define("ARG_TFACTOR", 0x3);
  define("ARG_SPECULAR", 0x4);
  define("ARG_SELECT_MASK", 0xF);
  define("ARG_COMPLEMENT", 0x10);
  define("ARG_ALPHA_REPLICATE", 0x20);
  define("CMP_NEVER", D3DCMP_NEVER);
  define("CMP_LESS", D3DCMP_LESS);
  define("CMP_EQUAL", D3DCMP_EQUAL);
  define("CMP_LESSEQUAL", D3DCMP_LESSEQUAL);
  define("CMP_GREATER", D3DCMP_GREATER);
  define("CMP_NOTEQUAL", D3DCMP_NOTEQUAL);
  define("CMP_GREATEREQUAL", D3DCMP_GREATEREQUAL);
  if (features & kProgramFlat) s += "#define FLAT_SHADING 1\n";
  if (features & kProgramTextured) s += "#define TEXTURED 1\n";
  if (features & kProgramDepthBias) s += "#define DEPTH_BIAS 1\n";
  if (features & kProgramAlphaTest) s += "#define ALPHA_TEST 1\n";
  // Gouraud colours are interpolated linearly on the screen, as Direct3D does; texture
  // coordinates are perspective-correct.
  s += "#ifdef FLAT_SHADING\n"
       "#define COLOUR flat\n"
       "#else\n"
       "#define COLOUR noperspective\n"
       "#endif\n";
  return s;
}

constexpr const char* kFrameBlock = R"(
layout(std140) uniform Frame {
  mat4 toClip;
  mat4 toView;
  mat4 normalMatrix;
  vec4 materialDiffuse;
  vec4 materialAmbient;
  vec4 materialSpecular;
  vec4 materialEmissive;
  vec4 ambient;
  vec4 lighting;
  vec4 pixel;
  ivec4 stageColour[2];
  ivec4 stageAlpha[2];
  ivec4 stageInfo;
  vec4 textureFactor;
  vec4 lights[MAX_LIGHTS * LIGHT_VECTORS];
};
)";

constexpr const char* kVertexBody = R"(
layout(location = 0) in vec3 inPosition;
layout(location = 1) in vec3 inNormal;
layout(location = 2) in vec4 inDiffuse;
layout(location = 3) in vec4 inSpecular;
layout(location = 4) in vec2 inTex0;
layout(location = 5) in vec2 inTex1;

COLOUR out vec4 vDiffuse;
COLOUR out vec3 vSpecular;
out vec2 vTex0;
out vec2 vTex1;

vec3 Normalise(vec3 v) {
  float len2 = dot(v, v);
  return len2 > 0.0 ? v * (1.0 / sqrt(len2)) : v;
}

// Direct3D's lighting: diffuse = emissive + ambient * Ma + sum(atten * spot * (N.L) * Cl * Md);
// specular = sum(atten * spot * (N.H)^power * Cl * Ms) with H = norm(L + V), local viewer;
// each sum clamped to 0..1.
void Light(vec3 p, vec3 n, out vec4 diffuse, out vec3 specular) {
  vec3 d = materialEmissive.rgb + ambient.rgb * materialAmbient.rgb;
  vec3 s = vec3(0.0);
  vec3 toEye = Normalise(-p);
  bool specularEnabled = lighting.y != 0.0;
  int count = int(lighting.w);
  for (int i = 0; i < count; ++i) {
    vec4 colourType = lights[i * LIGHT_VECTORS];
    vec4 positionRange = lights[i * LIGHT_VECTORS + 1];
    vec4 directionFalloff = lights[i * LIGHT_VECTORS + 2];
    vec4 axisSpecular = lights[i * LIGHT_VECTORS + 3];
    vec4 attenuation = lights[i * LIGHT_VECTORS + 4];
    vec4 cone = lights[i * LIGHT_VECTORS + 5];
    int type = int(colourType.w);
    vec3 dir;
    float atten = 1.0;
    if (type == LIGHT_DIRECTIONAL || type == LIGHT_PARALLELPOINT) {
      dir = directionFalloff.xyz;
    } else {
      dir = positionRange.xyz - p;
      float dist = sqrt(dot(dir, dir));
      if (!(dist <= positionRange.w)) continue;
      if (dist > 0.0) dir *= 1.0 / dist;
      float denom = attenuation.x + attenuation.y * dist + attenuation.z * dist * dist;
      // A light on the vertex saturates rather than dividing by zero.
      atten = denom > 1.0e-20 ? 1.0 / denom : 1.0e20;
      if (type == LIGHT_SPOT) {
        float rho = -dot(dir, axisSpecular.xyz);
        if (rho <= cone.y) continue;
        if (rho < cone.x) {
          float t = (rho - cone.y) / (cone.x - cone.y);
          atten *= directionFalloff.w == 1.0 ? t : pow(t, directionFalloff.w);
        }
      }
    }
    float nDotL = dot(n, dir);
    if (!(nDotL > 0.0)) continue;
    float kd = nDotL * atten;
    d += kd * colourType.rgb * materialDiffuse.rgb;
    if (specularEnabled && axisSpecular.w != 0.0) {
      vec3 h = Normalise(dir + toEye);
      float nDotH = dot(n, h);
      if (nDotH > 0.0) {
        float ks = pow(nDotH, lighting.x) * atten;
        s += ks * colourType.rgb * materialSpecular.rgb;
      }
    }
  }
  diffuse = vec4(clamp(d, 0.0, 1.0), clamp(materialDiffuse.a, 0.0, 1.0));
  specular = clamp(s, 0.0, 1.0);
}

void main() {
  vec4 position = vec4(inPosition, 1.0);
  gl_Position = toClip * position;
  if (lighting.z != 0.0) {
    vec3 viewPosition = (toView * position).xyz;
    vec3 n = Normalise(mat3(normalMatrix) * inNormal);
    Light(viewPosition, n, vDiffuse, vSpecular);
  } else {
    vDiffuse = inDiffuse;
    vSpecular = inSpecular.rgb;
  }
  // Specular colours count only while SPECULARENABLE is on.
  vSpecular *= pixel.w;
  vTex0 = inTex0;
  vTex1 = inTex1;
}
)";

constexpr const char* kFragmentBody = R"(
COLOUR in vec4 vDiffuse;
COLOUR in vec3 vSpecular;
in vec2 vTex0;
in vec2 vTex1;
layout(location = 0) out vec4 fragColour;

#ifdef TEXTURED
uniform sampler2D stageTexture0;
uniform sampler2D stageTexture1;

vec4 Argument(int arg, vec4 diffuse, vec4 specular, vec4 current, vec4 texel, bool bound) {
  vec4 c;
  int select = arg & ARG_SELECT_MASK;
  if (select == ARG_DIFFUSE) c = diffuse;
  else if (select == ARG_TEXTURE) c = bound ? texel : current;
  else if (select == ARG_TFACTOR) c = textureFactor;
  else if (select == ARG_SPECULAR) c = specular;
  else c = current;
  if ((arg & ARG_COMPLEMENT) != 0) c = vec4(1.0) - c;
  if ((arg & ARG_ALPHA_REPLICATE) != 0) c = vec4(c.a);
  return c;
}

vec4 Stage(int i, vec4 current, vec4 diffuse, vec4 specular, vec4 texel) {
  ivec4 c = stageColour[i];
  ivec4 a = stageAlpha[i];
  bool bound = c.w != 0;
  vec3 rgb = current.rgb;
  vec4 c1 = Argument(c.y, diffuse, specular, current, texel, bound);
  vec4 c2 = Argument(c.z, diffuse, specular, current, texel, bound);
  if (c.x == OP_SELECTARG1) rgb = c1.rgb;
  else if (c.x == OP_SELECTARG2) rgb = c2.rgb;
  else if (c.x == OP_MODULATE) rgb = c1.rgb * c2.rgb;
  float alpha = current.a;
  vec4 a1 = Argument(a.y, diffuse, specular, current, texel, bound);
  vec4 a2 = Argument(a.z, diffuse, specular, current, texel, bound);
  if (a.x == OP_SELECTARG1) alpha = a1.a;
  else if (a.x == OP_SELECTARG2) alpha = a2.a;
  else if (a.x == OP_MODULATE) alpha = a1.a * a2.a;
  return clamp(vec4(rgb, alpha), 0.0, 1.0);
}
#endif

#ifdef ALPHA_TEST
bool Passes(int func, float value, float reference) {
  if (func == CMP_NEVER) return false;
  if (func == CMP_LESS) return value < reference;
  if (func == CMP_EQUAL) return value == reference;
  if (func == CMP_LESSEQUAL) return value <= reference;
  if (func == CMP_GREATER) return value > reference;
  if (func == CMP_NOTEQUAL) return value != reference;
  if (func == CMP_GREATEREQUAL) return value >= reference;
  return true;
}
#endif

void main() {
  vec4 colour = vDiffuse;
#ifdef TEXTURED
  vec4 specular = vec4(vSpecular, 0.0);
  int count = stageInfo.x;
  if (count > 0) {
    vec4 texel = texture(stageTexture0, vTex0);
    colour = Stage(0, colour, vDiffuse, specular, texel);
  }
  if (count > 1) {
    vec4 texel = texture(stageTexture1, vTex1);
    colour = Stage(1, colour, vDiffuse, specular, texel);
  }
#endif
  colour = clamp(vec4(colour.rgb + vSpecular, colour.a), 0.0, 1.0);
#ifdef ALPHA_TEST
  if (!Passes(int(pixel.z), floor(colour.a * 255.0 + 0.5), pixel.y)) discard;
#endif
#ifdef DEPTH_BIAS
  gl_FragDepth = gl_FragCoord.z - pixel.x;
#endif
  fragColour = colour;
}
)";

// Compiles one stage; 0 with the log in error.
GLuint Compile(GLenum kind, const std::string& source, std::string& error) {
  GLuint shader = glCreateShader(kind);
  if (!shader) {
    error = "glCreateShader failed";
    return 0;
  }
  const char* text = source.c_str();
  glShaderSource(shader, 1, &text, nullptr);
  glCompileShader(shader);
  GLint ok = GL_FALSE;
  glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
  if (ok != GL_TRUE) {
    GLint length = 0;
    glGetShaderiv(shader, GL_INFO_LOG_LENGTH, &length);
    std::vector<char> log(static_cast<size_t>(length > 1 ? length : 1), '\0');
    glGetShaderInfoLog(shader, static_cast<GLsizei>(log.size()), nullptr, log.data());
    error = std::string(kind == GL_VERTEX_SHADER ? "vertex" : "fragment") +
            " shader did not compile: " + log.data();
    glDeleteShader(shader);
    return 0;
  }
  return shader;
}

}  // namespace

std::string VertexShaderSource(uint32_t features) {
  return Header(features) + kFrameBlock + kVertexBody;
}

std::string FragmentShaderSource(uint32_t features) {
  return Header(features) + kFrameBlock + kFragmentBody;
}

GLuint GlProgramCache::Get(uint32_t features, std::string& error) {
  features &= kProgramVariants - 1;
  if (m_Programs[features]) return m_Programs[features];
  if (!m_Errors[features].empty()) {
    error = m_Errors[features];
    return 0;
  }
  std::string& failure = m_Errors[features];
  const GLuint vs = Compile(GL_VERTEX_SHADER, VertexShaderSource(features), failure);
  const GLuint fs = vs ? Compile(GL_FRAGMENT_SHADER, FragmentShaderSource(features), failure) : 0;
  GLuint program = 0;
  if (vs && fs) {
    program = glCreateProgram();
    glAttachShader(program, vs);
    glAttachShader(program, fs);
    glLinkProgram(program);
    GLint ok = GL_FALSE;
    glGetProgramiv(program, GL_LINK_STATUS, &ok);
    if (ok != GL_TRUE) {
      GLint length = 0;
      glGetProgramiv(program, GL_INFO_LOG_LENGTH, &length);
      std::vector<char> log(static_cast<size_t>(length > 1 ? length : 1), '\0');
      glGetProgramInfoLog(program, static_cast<GLsizei>(log.size()), nullptr, log.data());
      failure = std::string("program did not link: ") + log.data();
      glDeleteProgram(program);
      program = 0;
    }
  }
  if (vs) glDeleteShader(vs);
  if (fs) glDeleteShader(fs);
  if (program) {
    const GLuint block = glGetUniformBlockIndex(program, "Frame");
    if (block == GL_INVALID_INDEX) {
      failure = "program has no uniform block Frame";
      glDeleteProgram(program);
      program = 0;
    } else {
      glUniformBlockBinding(program, block, kFrameBlockBinding);
      glUseProgram(program);
      if (GLint unit = glGetUniformLocation(program, "stageTexture0"); unit >= 0)
        glUniform1i(unit, 0);
      if (GLint unit = glGetUniformLocation(program, "stageTexture1"); unit >= 0)
        glUniform1i(unit, 1);
    }
  }
  if (!program) {
    if (failure.empty()) failure = "program could not be made";
    error = failure;
    return 0;
  }
  m_Programs[features] = program;
  return program;
}

void GlProgramCache::Release() {
  for (GLuint& program : m_Programs) {
    if (program) glDeleteProgram(program);
    program = 0;
  }
}

}  // namespace dx::opengl
