// The airplane's data facts: where its file lives, its parts in material order with their
// colours and texture files, and its size. The asset generator writes the model from this table
// and the scene tests check the loaded model against it.
#pragma once
#include <array>
#include <cstdint>

inline constexpr const char* kAirplaneDirectory = "xfiles/";
inline constexpr const char* kAirplaneFile = "airplane.x";

enum class AirplanePart : int { Fuselage = 0, Wings = 1, Tail = 2, Propeller = 3, Canopy = 4 };

struct AirplaneMaterial {
  AirplanePart part;
  uint32_t diffuse;     // 0xAARRGGBB
  float power;          // specular power
  uint32_t specular;    // 0x00RRGGBB
  const char* texture;  // in the airplane's directory, or null
};

inline constexpr int kAirplanePartCount = 5;

inline constexpr std::array<AirplaneMaterial, kAirplanePartCount> kAirplaneMaterials = {{
    {AirplanePart::Fuselage, 0xFFFFFFFF, 12.0f, 0x404040, "fuselage.jpg"},
    {AirplanePart::Wings, 0xFFFFFFFF, 8.0f, 0x303030, "wing.jpg"},
    {AirplanePart::Tail, 0xFFD02020, 8.0f, 0x303030, nullptr},
    {AirplanePart::Propeller, 0xFF303030, 4.0f, 0x101010, nullptr},
    {AirplanePart::Canopy, 0xFF60A0E0, 40.0f, 0xC0C0C0, nullptr},
}};

// Model space: the nose points along -z (the direction the demo flies it), y is up. Lengths in
// world units.
inline constexpr float kAirplaneLength = 14.0f;    // fuselage, nose to tail
inline constexpr float kAirplaneWingSpan = 16.0f;  // tip to tip along x
