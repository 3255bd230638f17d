// TextureDescriptor: what a host tells Texture::create about an image.
//
// The integer fields take the values of the enumerations below; the library
// picks a sampler specialised for exactly the combination given, so every
// field is checked when the texture is created, not at lookup time.
#pragma once

namespace hox {

enum ETextureType {
    TEXTURE_TYPE_1D = 0,
    TEXTURE_TYPE_2D = 1,
    TEXTURE_TYPE_3D = 2,
    TEXTURE_TYPE_CUBE = 3
};

// How one texel component is stored.
enum ETextureFormat {
    TEXTURE_FORMAT_UINT8 = 0,   // unsigned byte, read as value / 255
    TEXTURE_FORMAT_FLOAT32 = 1  // 32-bit float, read unchanged
};

enum ETextureFilter {
    TEXTURE_FILTER_NEAREST = 0,
    TEXTURE_FILTER_LINEAR = 1  // bilinear in 2D and on cube faces, trilinear in 3D
};

// What a lookup outside 0 … 1 along one axis reads.
enum ETextureWrap {
    TEXTURE_WRAP_REPEAT = 0,
    TEXTURE_WRAP_CLAMP = 1,   // the edge texel
    TEXTURE_WRAP_BORDER = 2   // the descriptor's border colour
};

// Face order of TextureDescriptor::faces and of the cube map's images.
enum ECubeFace {
    CUBE_FACE_POSITIVE_X = 0,
    CUBE_FACE_NEGATIVE_X = 1,
    CUBE_FACE_POSITIVE_Y = 2,
    CUBE_FACE_NEGATIVE_Y = 3,
    CUBE_FACE_POSITIVE_Z = 4,
    CUBE_FACE_NEGATIVE_Z = 5
};

constexpr int kCubeFaceCount = 6;

// Texel data are tightly packed: the components of a texel together, rows of
// `width` texels one after the other, and for 3D textures slices of
// width × height texels one after the other. One image is
// width × height × depth × components × (1 or 4) bytes, a dimension the type
// does not have counting as 1. The buffers are only read during create().
struct TextureDescriptor {
    int type = TEXTURE_TYPE_2D;            // ETextureType
    int format = TEXTURE_FORMAT_UINT8;     // ETextureFormat
    int components = 4;                    // 1 red … 4 red, green, blue, alpha
    int filter = TEXTURE_FILTER_NEAREST;   // ETextureFilter
    int wrapS = TEXTURE_WRAP_REPEAT;       // ETextureWrap along the first coordinate
    int wrapT = TEXTURE_WRAP_REPEAT;       // … the second (2D, 3D, cube)
    int wrapR = TEXTURE_WRAP_REPEAT;       // … the third (3D)
    int width = 0;
    int height = 0;                        // 2D, 3D, cube
    int depth = 0;                         // 3D
    const void* data = nullptr;            // 1D, 2D and 3D textures
    const void* faces[kCubeFaceCount] = {};  // cube maps, in ECubeFace order
    float borderColor[4] = {0.0f, 0.0f, 0.0f, 0.0f};  // RGBA for TEXTURE_WRAP_BORDER
};

}  // namespace hox
