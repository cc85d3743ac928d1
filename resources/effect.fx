// The cube faces' effect: one vertex shader and forty pixel shaders, one for
// each combination of colour filter, UV distortion and transition.
//
// Kept within what the DirectX 9 shader compiler of October 2005 accepts.

texture tex;        // the face's photo
texture tex_lens;   // lens profile, read through its alpha
texture tex_rubik;  // 3 x 3 colour grid
texture tex_disp;   // displacement noise

float4x4 world_view_proj;
float tau;                  // effect amount, 0 (photo unchanged) to 1
float2 pixel_width;         // one photo texel in texture coordinates
int orientation_exif;       // EXIF orientation of the face's photo, 1 to 8

sampler MeshTextureSampler = sampler_state
{
    Texture = <tex>;
    MipFilter = LINEAR;
    MinFilter = ANISOTROPIC;
    MagFilter = LINEAR;
    MaxAnisotropy = 4;
};

sampler LensTextureSampler = sampler_state
{
    Texture = <tex_lens>;
    MipFilter = NONE;
    MinFilter = LINEAR;
    MagFilter = LINEAR;
};

sampler RubikTextureSampler = sampler_state
{
    Texture = <tex_rubik>;
    MipFilter = LINEAR;
    MinFilter = ANISOTROPIC;
    MagFilter = LINEAR;
    MaxAnisotropy = 4;
};

sampler DispTextureSampler = sampler_state
{
    Texture = <tex_disp>;
    MipFilter = LINEAR;
    MinFilter = ANISOTROPIC;
    MagFilter = LINEAR;
    MaxAnisotropy = 4;
};

struct VS_OUTPUT
{
    float4 Position  : POSITION;
    float4 Diffuse   : COLOR0;
    float2 TextureUV : TEXCOORD0;
};

struct PS_OUTPUT
{
    float4 RGBColor : COLOR0;
};

VS_OUTPUT SimpleVS(float4 Position : POSITION, float2 TextureUV : TEXCOORD0)
{
    VS_OUTPUT Out;
    Out.Position = mul(Position, world_view_proj);
    Out.Diffuse = float4(1, 1, 1, 0);

    // An if chain rather than a switch: switch does not work with the
    // October 2005 SDK's shader compiler.
    // t holds u, v, 1 - u, 1 - v; each orientation picks two of them.
    float4 t = float4(TextureUV, 1 - TextureUV);
    float2 uv = t.xy;
    if (orientation_exif == 2)      // flip horizontal
        uv = t.zy;
    else if (orientation_exif == 3) // rotate 180
        uv = t.zw;
    else if (orientation_exif == 4) // flip vertical
        uv = t.xw;
    else if (orientation_exif == 5) // transpose
        uv = t.yx;
    else if (orientation_exif == 6) // rotate 270
        uv = t.yz;
    else if (orientation_exif == 7) // transverse
        uv = t.wz;
    else if (orientation_exif == 8) // rotate 90
        uv = t.wx;
    Out.TextureUV = uv;
    return Out;
}

float Lerp(float a, float b, float k)
{
    return a + (b - a) * k;
}

// UV distortions: the coordinates at which the photo is read.

float2 UVSimple(float2 uv, float amount)
{
    return uv;
}

// Grows the photo around the face's centre; wrapping repeats it around.
float2 UVZoom(float2 uv, float amount)
{
    return uv * (1 + 2 * amount) - float2(amount, amount);
}

// A magnifying lens, strongest in the middle. The result is one texture
// period off the centred coordinates, which wrapping takes back.
float2 UVLens(float2 uv, float amount)
{
    float2 p = uv * 2 - float2(1, 1);
    float r = p.x * p.x + p.y * p.y;
    float a = tex2D(LensTextureSampler, float2(r * 0.5, 0)).a;
    p = p * Lerp(1, a, amount);
    return (p - float2(1, 1)) * 0.5;
}

// Shifts each point by the noise's red and green, -16 to +48 texels.
float2 UVDisplacement(float2 uv, float amount)
{
    float4 c = tex2D(DispTextureSampler, uv);
    float2 d = (c.xy - 0.25) * pixel_width * 64;
    float2 uv2 = uv + d;
    return float2(Lerp(uv.x, uv2.x, amount), Lerp(uv.y, uv2.y, amount));
}

// Colour filters.

float Luminance(float4 c)
{
    return 0.299f * c.r + 0.587f * c.g + 0.114f * c.b;
}

float4 ColorGrayScale(float4 c)
{
    float l = Luminance(c);
    return float4(l, l, l, 0);
}

float4 ColorSepia(float4 c)
{
    float l = Luminance(c);
    return l * float4(1.2, 1, 0.8, 0);
}

float4 ColorGrayScaleInvert(float4 c)
{
    float l = Luminance(c);
    return float4(1 - l, 1 - l, 1 - l, 0);
}

float4 ColorEmboss(float2 uv)
{
    float4 ce = float4(0.5, 0.5, 0.5, 0)
              - 1.5 * tex2D(MeshTextureSampler, uv - pixel_width)
              + 1.5 * tex2D(MeshTextureSampler, uv + pixel_width);
    float l = (ce.r + ce.g + ce.b) * 0.33;
    return float4(l, l, l, 0);
}

float4 ColorRubik(float2 uv)
{
    float l = Luminance(tex2D(MeshTextureSampler, uv));
    return tex2D(RubikTextureSampler, uv) * l;
}

// Transitions from the photo c1 to its filtered look c2; uv is the face's
// undistorted coordinate.

float4 Fade(float2 uv, float4 c1, float4 c2, float amount)
{
    return float4(Lerp(c1.r, c2.r, amount), Lerp(c1.g, c2.g, amount), Lerp(c1.b, c2.b, amount), 0);
}

// A sector that opens from the left edge's midpoint and sweeps through the
// lower half, then the upper half: the filtered look shows where the angle
// atan(p.x / p.y) + 1.57, plus 3.14 in the upper half, is below
// amount * 2 * 3.14.
//
// The arctangent comes from the smaller of |p.x| and |p.y| over the larger
// (where |p.x| is the larger, atan(p.x / p.y) = +-pi/2 - atan(p.y / p.x)), so
// that its polynomial needs no further reduction of its range, and every
// choice is a sign test: the Sector shaders stay well within ps_2_0's
// arithmetic slots.
float4 Sector(float2 uv, float4 c1, float4 c2, float amount)
{
    float2 p = uv * 2 - float2(1, 1);
    float2 a = abs(p);
    bool steep = a.y - a.x < 0;
    float2 f = steep ? p.yx : p.xy;
    float t = f.x / f.y;
    float x = t * t;
    float x2 = x * x;
    // atan(t) for t in -1..1, as an odd polynomial evaluated in pairs
    float2 low = float2(0.999866, 0.180141) + x * float2(-0.330299, -0.085133);
    float r = t * (low.x + x2 * (low.y + x2 * 0.020835));
    float h = t < 0 ? -1.5707964 : 1.5707964;
    float angle = (steep ? h - r : r) + (p.y < 0 ? 1.57 + 3.14 : 1.57);

    // Up to the lower limit the photo, from the upper one on the filtered
    // look, between them the sector.
    float2 limits = float2(0.01, -0.99) + amount * float2(-1, 1);
    bool2 within = limits < 0;
    float edge = within.y ? angle - amount * (2 * 3.14) : -1;
    return max(limits.x, edge) < 0 ? c2 : c1;
}

// One technique: pass P0 with the shared vertex shader and its own pixel shader.
#define TEC(cf, uvf, f) \
technique cf##uvf##f \
{ \
    pass P0 \
    { \
        VertexShader = compile vs_2_0 SimpleVS(); \
        PixelShader = compile ps_2_0 cf##uvf##f##PS(); \
    } \
}

// One pixel shader and its technique; c is what the colour filter reads: the
// photo's colour c1, or the distorted coordinates uv for the filters that
// sample the photo themselves.
#define FX(cf, uvf, f, c) \
PS_OUTPUT cf##uvf##f##PS(VS_OUTPUT In) \
{ \
    PS_OUTPUT Out; \
    float2 uv = UV##uvf(In.TextureUV, tau); \
    float4 c1 = tex2D(MeshTextureSampler, uv); \
    float4 c2 = Color##cf(c); \
    Out.RGBColor = f(In.TextureUV, c1, c2, tau); \
    return Out; \
} \
TEC(cf, uvf, f)

#define FX_SET(uvf, f) \
FX(GrayScale, uvf, f, c1) \
FX(Sepia, uvf, f, c1) \
FX(GrayScaleInvert, uvf, f, c1) \
FX(Emboss, uvf, f, uv) \
FX(Rubik, uvf, f, uv)

#define FX_SET2(f) \
FX_SET(Simple, f) \
FX_SET(Zoom, f) \
FX_SET(Lens, f) \
FX_SET(Displacement, f)

FX_SET2(Fade)
FX_SET2(Sector)
