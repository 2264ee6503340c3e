// The codecs of the formats whose pixels are addressable one by one.
#include "row_codec.h"

namespace d3dx {

HRESULT CreatePixelRowCodec(const ImageRegion&, std::unique_ptr<RowCodec>*) { return E_FAIL; }

}  // namespace d3dx
