// The pieces of the DXT block encoder: weighted colour space, the endpoint optimisers and the
// block encoder object that binds the optimiser chosen for this processor.
#pragma once
#include <d3dx9.h>

#include <bit>

namespace d3dx {
namespace dxt {

// Colours are fitted in a space where each channel counts by its share of luminance relative to
// green: 0.2125/0.7154 and 0.0721/0.7154, and back.
inline constexpr float kWeightR = std::bit_cast<float>(0x3E981530u);
inline constexpr float kWeightB = std::bit_cast<float>(0x3DCE6734u);
inline constexpr float kUnweightR = std::bit_cast<float>(0x4057762Eu);
inline constexpr float kUnweightB = std::bit_cast<float>(0x411EC1DDu);

// Interpolation factors of the palettes.
inline constexpr float kThird = 0.33333334f;
inline constexpr float kTwoThirds = 0.6666667f;
inline constexpr float kSeventh = 1.0f / 7.0f;
inline constexpr float kFifth = 0.2f;

struct WeightedColor {
  float r, g, b;
};

// The 16 texels of a block in weighted units, one array per channel.
struct WeightedBlock {
  alignas(32) float r[16];
  alignas(32) float g[16];
  alignas(32) float b[16];
};

// The two ends of the fitted colour line, in weighted units.
struct ColorLine {
  WeightedColor lo, hi;
};

// Fits the line of `steps` (3 or 4) evenly spaced colours to the block's points.
using ColorOptimizer = ColorLine (*)(const WeightedBlock& points, int steps);
ColorLine OptimizeColorEndpoints(const WeightedBlock& points, int steps);
ColorLine OptimizeColorEndpointsSse2(const WeightedBlock& points, int steps);
ColorLine OptimizeColorEndpointsAvx2(const WeightedBlock& points, int steps);

// The alpha range for 8 interpolated alphas, or for 6 plus exact 0 and 1; both in [0, 1].
struct AlphaRange {
  float low, high;
};
AlphaRange OptimizeAlphaEndpoints(const float* alphas16, int steps);

// Implementations of the colour optimiser; all give bit-identical results.
enum class EncoderKernel { Reference, Sse2, Avx2 };

// The optimiser of `kernel`, or null when this processor cannot run it.
ColorOptimizer ColorOptimizerFor(EncoderKernel kernel);
// The fastest kernel this processor runs, asked once.
EncoderKernel BestEncoderKernel();

// Encodes blocks with one optimiser. The caller holds round-toward-zero (RoundTowardZeroScope) while
// calling Encode, so a codec switches the mode once per block row, not per block.
class BlockEncoder {
 public:
  explicit BlockEncoder(ColorOptimizer optimizer) : optimize_(optimizer) {}
  // The encoder of BestEncoderKernel().
  static const BlockEncoder& Default();

  // DXT1..DXT5; any other format writes nothing.
  void Encode(D3DFORMAT format, BYTE* block, const D3DXCOLOR* in16) const;

 private:
  ColorOptimizer optimize_;
};

}  // namespace dxt
}  // namespace d3dx
