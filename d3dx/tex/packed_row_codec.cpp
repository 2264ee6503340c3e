// Row access to the two-pixels-per-word formats (YUY2, UYVY, R8G8_B8G8, G8R8_G8B8). Until their
// codecs land here, these formats have no codec.
#include "row_codec.h"

namespace d3dx {

HRESULT CreatePackedPairRowCodec(const ImageRegion&, std::unique_ptr<RowCodec>*) { return E_FAIL; }

}  // namespace d3dx
