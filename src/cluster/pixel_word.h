// The pixel word of the image codec: 32 bits of log-luminance and
// chromaticity.
//
//   bits 20..31  L, 12 bits: l = L × kLuminanceScale, log2 of the luminance
//                offset by 12, so Y = 2^(l − 12) spans 2^−12 .. 2^12
//   bits 10..19  blue share code: cb = code / 1023 = 0.114 B / Y
//   bits  0.. 9  red share code:  cr = code / 1023 = 0.299 R / Y
//
// with Y = 0.299 R + 0.587 G + 0.114 B. Green is what the two shares leave:
// G = (1 − cr − cb) Y / 0.587.
//
// Codes are kept as floats ("code units") wherever the encoder measures
// errors, so that one unit is one step of the stored code.
#pragma once

#include <cstdint>

namespace hox {
namespace cluster {

constexpr int kLuminanceBits = 12;
constexpr int kChromaBits = 10;
constexpr uint32_t kMaxLuminanceCode = 4095;
constexpr uint32_t kMaxChromaCode = 1023;

// The exponent range −12 .. 12 spread over 4095 codes.
constexpr float kLuminanceScale = 0.005860806f;    // 24 / 4095
constexpr float kLuminanceInvScale = 170.625f;     // 4095 / 24
constexpr float kChromaScale = 0.0009775171f;      // 1 / 1023
constexpr float kLuminanceOffset = 12.0f;

// Weights of the luminance and their reciprocals, as the decoder uses them.
constexpr float kRedWeight = 0.299f;
constexpr float kGreenWeight = 0.587f;
constexpr float kBlueWeight = 0.114f;
constexpr float kInvRedWeight = 3.3444817f;
constexpr float kInvGreenWeight = 1.7035775f;
constexpr float kInvBlueWeight = 8.77193f;

// The smallest luminance a word can hold (L = 0), with a little headroom so
// that log2 of it is never below −12.
constexpr float kSmallestLuminance = 2.4414063e-4f + 2.3841858e-7f;  // 2^−12 + 2^−22

inline uint32_t packPixelWord(uint32_t luminanceCode, uint32_t blueCode, uint32_t redCode) {
    return (luminanceCode << 20) | ((blueCode & 0x3FFu) << 10) | (redCode & 0x3FFu);
}

inline uint32_t luminanceCodeOf(uint32_t word) { return word >> 20; }
inline uint32_t blueCodeOf(uint32_t word) { return (word >> 10) & 0x3FFu; }
inline uint32_t redCodeOf(uint32_t word) { return word & 0x3FFu; }

// Little-endian, whatever the processor: the stream's byte order.
inline uint32_t loadWordLE(const uint8_t* bytes) {
    return static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
           static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
}

inline void storeWordLE(uint8_t* bytes, uint32_t word) {
    bytes[0] = static_cast<uint8_t>(word);
    bytes[1] = static_cast<uint8_t>(word >> 8);
    bytes[2] = static_cast<uint8_t>(word >> 16);
    bytes[3] = static_cast<uint8_t>(word >> 24);
}

}  // namespace cluster
}  // namespace hox
